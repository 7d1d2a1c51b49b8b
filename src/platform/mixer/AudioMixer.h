#pragma once
// The state behind the BASS-style calls: samples, channels and streams in slot
// tables with generations, the device, and the mixing that the output pulls.
// One lock guards it all; the output's pull takes it while it mixes.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Audio.h"

class AudioDecoder;

class AudioMixer {
 public:
  static AudioMixer& instance();

  void setOutput(std::unique_ptr<AudioOutput> output);
  BOOL setConfig(DWORD option, DWORD value);
  DWORD getConfig(DWORD option);
  BOOL getDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
  BOOL init(int32_t device, DWORD freq, DWORD flags);
  BOOL free();
  BOOL getInfo(BASS_INFO* info);
  BOOL pause();
  BOOL start();
  BOOL update(DWORD length);
  float getCpu();

  HSAMPLE sampleLoad(const void* data, QWORD length, DWORD max, DWORD flags);
  BOOL sampleFree(HSAMPLE handle);
  BOOL sampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info);
  HCHANNEL sampleGetChannel(HSAMPLE handle, BOOL onlyNew);
  DWORD sampleGetChannels(HSAMPLE handle, HCHANNEL* out);
  HSTREAM streamCreate(const void* data, QWORD length, DWORD flags);
  BOOL streamFree(HSTREAM handle);

  BOOL channelPlay(DWORD handle, BOOL restart);
  BOOL channelStop(DWORD handle);
  DWORD channelIsActive(DWORD handle);
  BOOL channelSetAttribute(DWORD handle, DWORD attrib, float value);
  BOOL channelGetAttribute(DWORD handle, DWORD attrib, float* value);
  BOOL channelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time);
  QWORD channelGetLength(DWORD handle);
  QWORD channelGetPosition(DWORD handle);
  BOOL channelSetPosition(DWORD handle, QWORD pos);

  // Mixes `frames` stereo frames into `out` (overwritten).
  void render(float* out, int frames);

  static int32_t lastError();
  static void setError(int32_t code);

 private:
  struct Slide {
    bool active = false;
    bool stopAtEnd = false;  // a volume slide to a negative target
    float from = 0, to = 0;
    uint64_t total = 0, done = 0;
  };
  struct Sample {
    bool used = false;
    uint16_t generation = 1;
    std::vector<float> pcm;  // 16-bit values scaled to [-1, 1), interleaved
    int32_t chans = 1;
    DWORD freq = 0;
    int64_t frames = 0;
    DWORD max = 1;
    DWORD flags = 0;
  };
  struct Stream {
    std::unique_ptr<AudioDecoder> decoder;
    int32_t chans = 1;
    DWORD rate = 0;
    int64_t length = 0;   // frames
    bool loop = false;
    int64_t base = 0;     // file frame at play index 0
    std::vector<float> buffer;  // decoded frames from play index bufStart on
    int64_t bufStart = 0;
    int64_t decodedTo = 0;  // play index after the last decoded frame
    bool ended = false;     // the decoder gave all it has
    std::vector<float> scratch;
  };
  struct Channel {
    bool used = false;
    uint16_t generation = 1;
    bool isStream = false;
    uint32_t sample = 0;  // slot of the sample, for a sample's channel
    std::unique_ptr<Stream> stream;
    bool playing = false;
    bool started = false;
    bool finished = false;  // ended in this mix: released after it
    uint64_t playSerial = 0;
    double pos = 0;  // source frame (sample) or play index (stream)
    float freq = 0, vol = 1, pan = 0;
    Slide slides[3];
  };

  static Sample freshSample(uint16_t generation);
  Sample* findSample(DWORD handle);
  Channel* findChannel(DWORD handle);
  DWORD channelHandle(uint32_t slot) const;
  uint32_t allocChannel();
  void releaseChannel(uint32_t slot);
  void freeAll();
  bool ready();
  // pause and start: the mix's state and the output device's.
  BOOL setPaused(bool bPaused);
  DWORD sourceRate(const Channel& c) const;
  int32_t sourceChans(const Channel& c) const;
  int64_t sourceFrames(const Channel& c) const;
  void rewind(Channel& c, int64_t frame);
  void decodeTo(Stream& s, int64_t index);
  template <class Fetch>
  void mixVoice(Channel& c, float* out, int frames, float gain, DWORD rate, Fetch fetch);
  template <int Chans>
  void mixSampleSteady(Channel& c, const Sample& s, float* out, int frames, float gain);
  bool stepSlides(Channel& c);

  std::mutex mutex;
  std::unique_ptr<AudioOutput> output;
  std::vector<AudioOutput::Device> devices;
  std::vector<Sample> samples;
  std::vector<Channel> channels;
  int32_t device = -2;  // the started device; -2: none
  DWORD outRate = 44100;
  DWORD initFlags = 0;
  bool paused = false;
  DWORD globalVolume[3] = {10000, 10000, 10000};  // samples, streams, music
  DWORD config[2] = {0, 0};                        // the two start-up switches
  uint64_t playCounter = 0;
  double cpu = 0;
};
