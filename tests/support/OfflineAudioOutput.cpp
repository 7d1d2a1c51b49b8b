#include "support/OfflineAudioOutput.h"

#include <algorithm>
#include <cstring>

int32_t OfflineAudioOutput::open(int32_t index, DWORD rate, Render renderFunction) {
  opened.push_back(index);
  if (failing.contains(index)) return BASS_ERROR_DEVICE;
  frequency = rate;
  render = std::move(renderFunction);
  bOpen = true;
  bPaused = true;
  return BASS_OK;
}

void OfflineAudioOutput::close() {
  bOpen = false;
  render = nullptr;
}

std::vector<float> OfflineAudioOutput::pull(int frames) {
  std::vector<float> out(2 * static_cast<size_t>(frames), 0.0f);
  pull(out.data(), frames);
  return out;
}

void OfflineAudioOutput::pull(float* stereo, int frames) {
  if (bOpen && !bPaused)
    render(stereo, frames);
  else
    std::fill(stereo, stereo + 2 * static_cast<size_t>(frames), 0.0f);
}

std::string makeWav(uint32_t rate, int channels, const std::vector<int16_t>& samples) {
  std::string wav;
  const auto put = [&wav](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  wav += "RIFF";
  put(36 + dataBytes, 4);
  wav += "WAVEfmt ";
  put(16, 4);
  put(1, 2);  // PCM
  put(static_cast<uint32_t>(channels), 2);
  put(rate, 4);
  put(rate * static_cast<uint32_t>(channels) * 2, 4);
  put(static_cast<uint32_t>(channels) * 2, 2);
  put(16, 2);
  wav += "data";
  put(dataBytes, 4);
  for (int16_t v : samples) put(static_cast<uint16_t>(v), 2);
  return wav;
}
