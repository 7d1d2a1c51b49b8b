// Decodes arbitrary bytes as a sound file, whole (a sample) and while it
// plays (a looping stream, with a seek): no crash, no hang, nothing but finite
// values in the mix.
#include <cstdint>

#include "platform/Audio.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureAudio();
  // A few hundred frames of each mix reach every path of the voices; more
  // would only cost time.
  if (const HSAMPLE sample = BASS_SampleLoad(true, data, 0, static_cast<DWORD>(size), 2, 0)) {
    const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_FREQ, 30000);
    BASS_ChannelPlay(channel, false);
    fuzzPullAudio(512);
    BASS_SampleFree(sample);
  }
  if (const HSTREAM stream = BASS_StreamCreateFile(true, data, 0, size, BASS_SAMPLE_LOOP)) {
    BASS_ChannelPlay(stream, false);
    fuzzPullAudio(1024);
    BASS_ChannelSetPosition(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE) / 2, BASS_POS_BYTE);
    BASS_Update(100);
    fuzzPullAudio(1024);
    BASS_StreamFree(stream);
  }
  return 0;
}
