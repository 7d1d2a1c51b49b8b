// Decodes arbitrary bytes as a sound file, whole (a sample) and while it
// plays (a looping stream, with a seek): no crash, no hang, nothing but finite
// values in the mix.
#include <cstdint>
#include <vector>

#include "platform/Audio.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzEnsureAudio();
  // The layer reads the bytes as they are: a copy of exactly the input.
  const std::vector<uint8_t> file(data, data + size);
  if (const HSAMPLE sample = BASS_SampleLoad(true, file.data(), 0, static_cast<DWORD>(file.size()), 2, 0)) {
    const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_FREQ, 30000);
    BASS_ChannelPlay(channel, false);
    fuzzPullAudio(2048);
    BASS_SampleFree(sample);
  }
  if (const HSTREAM stream = BASS_StreamCreateFile(true, file.data(), 0, file.size(), BASS_SAMPLE_LOOP)) {
    BASS_ChannelPlay(stream, false);
    fuzzPullAudio(4096);
    BASS_ChannelSetPosition(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE) / 2, BASS_POS_BYTE);
    BASS_Update(100);
    fuzzPullAudio(4096);
    BASS_StreamFree(stream);
  }
  return 0;
}
