// Mixing cost per output frame with 32 looping voices at mixed pitch and pan,
// against OpenAL Soft's loopback device rendering 32 sources (linear
// resampling, no HRTF) in the same run; and the cost of one Sound::play.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "engine/audio/ZibAudio.h"
#include "platform/Audio.h"
#include "support/OfflineAudioOutput.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

namespace {

constexpr int kRate = 44100;
constexpr int kVoices = 32;
constexpr int kBlock = 1024;

std::vector<int16_t> makeTone() {
  std::vector<int16_t> tone(kRate);
  for (int i = 0; i < kRate; ++i) tone[i] = static_cast<int16_t>(12000 * std::sin(i * 0.0627) + 3000 * std::sin(i * 0.31));
  return tone;
}

float pitchOf(int voice) { return 0.75f + 0.5f * static_cast<float>(voice) / kVoices; }
float panOf(int voice) { return -1.0f + 2.0f * static_cast<float>(voice) / (kVoices - 1); }

void BM_ZibMix32Voices(benchmark::State& state) {
  auto owned = std::make_unique<OfflineAudioOutput>();
  OfflineAudioOutput* output = owned.get();
  setAudioOutput(std::move(owned));
  BASS_Init(-1, kRate, 0, nullptr, nullptr);
  const std::string wav = makeWav(kRate, 1, makeTone());
  const HSAMPLE sample = BASS_SampleLoad(true, wav.data(), 0, static_cast<DWORD>(wav.size()), kVoices, BASS_SAMPLE_LOOP);
  for (int v = 0; v < kVoices; ++v) {
    const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_FREQ, kRate * pitchOf(v));
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_PAN, panOf(v));
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, 0.1f);
    BASS_ChannelPlay(channel, false);
  }
  std::vector<float> mix(2 * kBlock);
  for (auto _ : state) {
    output->pull(mix.data(), kBlock);
    benchmark::DoNotOptimize(mix.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  BASS_Free();
  setAudioOutput(nullptr);
}

void BM_OpenAlLoopback32Sources(benchmark::State& state) {
  auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
  ALCdevice* device = openLoopback ? openLoopback(nullptr) : nullptr;
  if (!device || !renderSamples) {
    state.SkipWithError("no OpenAL Soft loopback device");
    return;
  }
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                               ALC_FREQUENCY, kRate, ALC_HRTF_SOFT, ALC_FALSE, 0};
  ALCcontext* context = alcCreateContext(device, attributes);
  alcMakeContextCurrent(context);
  // The same resampling as ours: linear.
  ALint resampler = 0;
  if (alIsExtensionPresent("AL_SOFT_source_resampler")) {
    auto getStringi = reinterpret_cast<LPALGETSTRINGISOFT>(alGetProcAddress("alGetStringiSOFT"));
    const ALint count = alGetInteger(AL_NUM_RESAMPLERS_SOFT);
    for (ALint i = 0; i < count; ++i)
      if (std::string(getStringi(AL_RESAMPLER_NAME_SOFT, i)).find("Linear") != std::string::npos) resampler = i;
  }
  const std::vector<int16_t> tone = makeTone();
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  alBufferData(buffer, AL_FORMAT_MONO16, tone.data(), static_cast<ALsizei>(tone.size() * 2), kRate);
  ALuint sources[kVoices];
  alGenSources(kVoices, sources);
  for (int v = 0; v < kVoices; ++v) {
    alSourcei(sources[v], AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(sources[v], AL_LOOPING, AL_TRUE);
    alSourcei(sources[v], AL_SOURCE_RELATIVE, AL_TRUE);
    if (resampler) alSourcei(sources[v], AL_SOURCE_RESAMPLER_SOFT, resampler);
    const float x = panOf(v);
    alSource3f(sources[v], AL_POSITION, x, 0, -std::sqrt(1 - x * x));
    alSourcef(sources[v], AL_PITCH, pitchOf(v));
    alSourcef(sources[v], AL_GAIN, 0.1f);
    alSourcePlay(sources[v]);
  }
  std::vector<float> mix(2 * kBlock);
  for (auto _ : state) {
    renderSamples(device, mix.data(), kBlock);
    benchmark::DoNotOptimize(mix.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  alDeleteSources(kVoices, sources);
  alDeleteBuffers(1, &buffer);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
}
BENCHMARK(BM_OpenAlLoopback32Sources);

void BM_SoundPlay(benchmark::State& state) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "zib-bench-sound.wav";
  std::ofstream(file, std::ios::binary) << makeWav(kRate, 1, std::vector<int16_t>(kRate / 10, 1000));
  setAudioOutput(std::make_unique<OfflineAudioOutput>());
  Zib root;
  root.pFileManager = new FileManager();
  root.pFileManager->bForceDisk = true;
  root.bEnableDelayedLoad = false;
  root.pZibAudio = new ZibAudio();
  {
    Sound sound(0, 3, fromUtf8(file.string()));
    sound.pitchMax = 0.5f;
    for (auto _ : state) sound.play();
  }
  delete root.pZibAudio;
  root.pZibAudio = nullptr;
  std::filesystem::remove(file);
  setAudioOutput(nullptr);
}

}  // namespace

BENCHMARK(BM_ZibMix32Voices);
BENCHMARK(BM_SoundPlay);

BENCHMARK_MAIN();
