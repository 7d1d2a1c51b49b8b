#pragma once
// Test support: an audio output that plays nothing by itself. Tests pull the
// mix from it frame by frame, so what they check is exactly what was mixed.
// The fuzz targets and the audio benchmark mix through it too.
#include <set>
#include <string>
#include <vector>

#include "platform/Audio.h"

class OfflineAudioOutput : public AudioOutput {
 public:
  std::vector<Device> listDevices() override { return devices; }
  int32_t open(int32_t index, DWORD frequency, Render render) override;
  void setPaused(bool paused) override { bPaused = paused; }
  void close() override;

  // Mixes `frames` stereo frames (interleaved) as the device would pull them;
  // silence while closed or paused.
  std::vector<float> pull(int frames);
  // The same into `stereo` (2 * frames floats), for callers that reuse a buffer.
  void pull(float* stereo, int frames);

  std::vector<Device> devices{{"Offline speakers", "offline"}};
  // Indexes of the list (-1: the default) whose opening fails with BASS_ERROR_DEVICE.
  std::set<int32_t> failing;
  std::vector<int32_t> opened;  // every index asked for, in order
  DWORD frequency = 0;
  bool bOpen = false;
  bool bPaused = true;

 private:
  Render render;
};

// A 16-bit PCM WAV file of interleaved `samples`.
std::string makeWav(uint32_t rate, int channels, const std::vector<int16_t>& samples);
