// Random sequences of audio-layer calls: stale handles, frees during slides,
// positions past the end, NaN values. Every call must leave an error code of
// the table and the mix finite.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Audio.h"
#include "support/FuzzSupport.h"
#include "support/OfflineAudioOutput.h"

namespace {

// A WAV of `frames` frames of a fixed saw-like pattern.
std::string makeWav(uint32_t rate, int channels, int frames) {
  std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(static_cast<uint16_t>(i * 977));
  return ::makeWav(rate, channels, samples);
}

void checkError() {
  static constexpr int32_t kTable[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  14, 18, 19, 20, 21, 22, 23, 24,
                                       25, 27, 29, 31, 32, 33, 34, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, -1};
  const int32_t code = BASS_ErrorGetCode();
  for (int32_t known : kTable)
    if (code == known) return;
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureAudio();
  static const std::string files[] = {makeWav(22050, 1, 300), makeWav(11025, 2, 2000), makeWav(44100, 1, 1)};
  std::vector<DWORD> samples, channels;  // freed ones stay in: stale handles
  // Decoding and mixing more per input finds nothing new, only costs time.
  int framesLeft = 4096, loadsLeft = 24;
  size_t at = 0;
  const auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  const auto pick = [&](const std::vector<DWORD>& handles) -> DWORD {
    const uint8_t b = byte();
    return handles.empty() || b == 255 ? b * 0x01010101u : handles[b % handles.size()];
  };
  const auto value = [&]() {
    float v;
    uint8_t bytes[4] = {byte(), byte(), byte(), byte()};
    std::memcpy(&v, bytes, 4);
    return v;
  };
  while (at < size) {
    const std::string& file = files[byte() % 3];
    switch (byte() % 16) {
      case 0: if (loadsLeft-- > 0) samples.push_back(BASS_SampleLoad(true, file.data(), 0, static_cast<DWORD>(file.size()), byte() % 4, byte() & 1 ? BASS_SAMPLE_LOOP | BASS_SAMPLE_OVER_POS : 0)); break;
      case 1: BASS_SampleFree(pick(samples)); break;
      case 2: channels.push_back(BASS_SampleGetChannel(pick(samples), byte() & 1)); break;
      case 3: if (loadsLeft-- > 0) channels.push_back(BASS_StreamCreateFile(true, file.data(), 0, file.size(), byte() & 1 ? BASS_SAMPLE_LOOP : 0)); break;
      case 4: BASS_StreamFree(pick(channels)); break;
      case 5: BASS_ChannelPlay(pick(channels), byte() & 1); break;
      case 6: BASS_ChannelStop(pick(channels)); break;
      case 7: BASS_ChannelSetAttribute(pick(channels), byte() % 5, value()); break;
      case 8: { const DWORD h = pick(channels); const DWORD a = byte() % 5; const float v = value(); BASS_ChannelSlideAttribute(h, a, v, byte() * 3u); break; }
      case 9: { const DWORD h = pick(channels); BASS_ChannelSetPosition(h, byte() * 1000u, BASS_POS_BYTE); break; }
      case 10: BASS_ChannelGetPosition(pick(channels), BASS_POS_BYTE); BASS_ChannelGetLength(pick(channels), BASS_POS_BYTE); break;
      case 11: { const int frames = std::min(framesLeft, 1 + byte() * 8); framesLeft -= frames; if (frames > 0) fuzzPullAudio(frames); break; }
      case 12: byte() & 1 ? BASS_Pause() : BASS_Start(); break;
      case 13: BASS_Update(byte()); break;
      case 14: { HCHANNEL list[70000 / 1000]; const DWORD s = pick(samples); if (BASS_SampleGetChannels(s, nullptr) < 70) BASS_SampleGetChannels(s, list); break; }
      case 15: BASS_ChannelIsActive(pick(channels)); BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE + byte() % 3, byte() * 50u); break;
    }
    checkError();
  }
  fuzzPullAudio(256);
  // The next input starts afresh: every handle of this one goes stale and the
  // global settings go back to their defaults. Cheaper than a new BASS_Init.
  for (const DWORD channel : channels) BASS_StreamFree(channel);
  for (const DWORD sample : samples) BASS_SampleFree(sample);
  for (DWORD option = BASS_CONFIG_GVOL_SAMPLE; option <= BASS_CONFIG_GVOL_SAMPLE + 2; ++option) BASS_SetConfig(option, 10000);
  BASS_Start();
  return 0;
}
