// The audio layer mixed offline: every expected value is computed from the
// source samples, so these checks are sample-exact.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <thread>
#include <string>
#include <vector>

#include "platform/Audio.h"
#include "platform/null/NullAudioOutput.h"
#include "platform/sdl/SdlAudioOutput.h"
#include "support/EngineFixture.h"
#include "support/OfflineAudioOutput.h"
#include "support/TestPlatform.h"

namespace {

constexpr DWORD kRate = 8000;  // 1 ms = 8 frames

float pcm(int16_t v) { return static_cast<float>(v) / 32768.0f; }

class AudioMixerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr)); }
  void TearDown() override {
    for (DWORD option : {BASS_CONFIG_GVOL_SAMPLE, BASS_CONFIG_GVOL_STREAM}) BASS_SetConfig(option, 10000);
  }

  HSAMPLE load(const std::string& wav, DWORD max = 4, DWORD flags = BASS_SAMPLE_OVER_POS) {
    files.push_back(wav);
    return BASS_SampleLoad(true, files.back().data(), 0, static_cast<DWORD>(wav.size()), max, flags);
  }
  HSTREAM stream(const std::string& wav, DWORD flags) {
    files.push_back(wav);
    return BASS_StreamCreateFile(true, files.back().data(), 0, wav.size(), flags);
  }

  TestPlatform platform;
  OfflineAudioOutput& audio = platform.offlineAudio();
  std::vector<std::string> files;  // streams decode from these while they play
};

TEST_F(AudioMixerTest, SampleIsMixedWithVolumePanAndGlobalVolumeThenEnds) {
  const std::vector<int16_t> source = {1000, -2000, 3000, -4000, 5000, -6000, 7000, -8000};
  const HSAMPLE sample = load(makeWav(kRate, 1, source));
  const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
  ASSERT_NE(channel, 0u);
  BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, 0.5f);
  BASS_ChannelSetAttribute(channel, BASS_ATTRIB_PAN, 0.5f);
  BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, 5000);
  BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 0);  // the music's volume: no sample's
  BASS_ChannelPlay(channel, false);
  const std::vector<float> out = audio.pull(10);
  for (size_t i = 0; i < source.size(); ++i) {
    EXPECT_FLOAT_EQ(out[2 * i], pcm(source[i]) * 0.5f * 0.5f * 0.5f) << i;
    EXPECT_FLOAT_EQ(out[2 * i + 1], pcm(source[i]) * 0.5f * 0.5f) << i;
  }
  EXPECT_EQ(out[16], 0.0f);
  EXPECT_EQ(out[19], 0.0f);
  // Played out: the channel is gone and its handle stale.
  EXPECT_EQ(BASS_ChannelIsActive(channel), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_SampleGetChannels(sample, nullptr), 0u);
}

TEST_F(AudioMixerTest, LoopingSampleInterpolatesAcrossItsSeam) {
  const std::vector<int16_t> source = {0, 8192, 16384, 24576};  // 0 up to 0.75, then 0 again at the seam
  const HSAMPLE sample = load(makeWav(kRate, 1, source), 2, BASS_SAMPLE_LOOP);
  for (const bool bSliding : {false, true}) {  // a slide that changes nothing takes the other mixing path
    const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_FREQ, kRate * 0.75f);
    if (bSliding) BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_PAN, 0, 1000);
    BASS_ChannelPlay(channel, false);
  }
  const std::vector<float> out = audio.pull(40);  // 7.5 times round
  for (int i = 0; i < 40; ++i) {
    const int whole = 3 * i / 4;
    const float a = pcm(source[whole % 4]), b = pcm(source[(whole + 1) % 4]);
    EXPECT_NEAR(out[2 * i], 2 * (a + (b - a) * (0.75f * i - whole)), 1e-6) << i;
  }
}

TEST_F(AudioMixerTest, FrequencyAndPanSlideFromTheirValueToTheTargetInTheTimeGiven) {
  std::vector<int16_t> ramp(1000);
  for (int i = 0; i < 1000; ++i) ramp[i] = static_cast<int16_t>(8 * i);
  const HCHANNEL channel = BASS_SampleGetChannel(load(makeWav(kRate, 1, ramp)), false);
  BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_FREQ, 2 * kRate, 10);  // 80 frames
  BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_PAN, -1, 20);          // 160 frames
  BASS_ChannelPlay(channel, false);
  const std::vector<float> out = audio.pull(200);
  double position = 0;  // in source frames; frame i plays with the values after i steps
  for (int i = 0; i < 200; ++i) {
    const double level = position * 8 / 32768, pan = -std::min(i / 160.0, 1.0);
    EXPECT_NEAR(out[2 * i], level, 1e-6) << i;
    EXPECT_NEAR(out[2 * i + 1], level * (1 + pan), 1e-6) << i;
    position += 1 + std::min(i / 80.0, 1.0);
  }
}

TEST_F(AudioMixerTest, FadeToNegativeRampsToSilenceAndStopsWhileALaterSlideReplacesAnEarlier) {
  const std::vector<int16_t> constant(4, 16384);  // 0.5, looping
  const HSAMPLE sample = load(makeWav(kRate, 1, constant), 4, BASS_SAMPLE_LOOP);
  const HCHANNEL fading = BASS_SampleGetChannel(sample, false);
  const HCHANNEL replaced = BASS_SampleGetChannel(sample, false);
  BASS_ChannelSlideAttribute(fading, BASS_ATTRIB_VOL, -1, 10);  // 80 frames
  BASS_ChannelSlideAttribute(replaced, BASS_ATTRIB_VOL, 0, 10);
  BASS_ChannelSlideAttribute(replaced, BASS_ATTRIB_VOL, 0.5f, 10);
  BASS_ChannelSetAttribute(replaced, BASS_ATTRIB_PAN, -1);  // left only
  BASS_ChannelPlay(fading, false);
  BASS_ChannelPlay(replaced, false);
  const std::vector<float> out = audio.pull(100);
  for (int i = 0; i < 100; ++i) {
    const float fade = i < 80 ? 0.5f * (1 - i / 80.0f) : 0.0f;
    const float slide = i < 80 ? 0.5f * (1 - 0.5f * i / 80.0f) : 0.25f;
    EXPECT_NEAR(out[2 * i + 1], fade, 1e-6) << i;
    EXPECT_NEAR(out[2 * i], fade + slide, 1e-6) << i;
  }
  EXPECT_EQ(BASS_ChannelIsActive(fading), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelIsActive(replaced), BASS_ACTIVE_PLAYING);
  // No time to slide over: set at once.
  BASS_ChannelSlideAttribute(replaced, BASS_ATTRIB_VOL, 1, 0);
  EXPECT_FLOAT_EQ(audio.pull(1)[0], 0.5f);
}

TEST_F(AudioMixerTest, FullSampleTakesOverTheLongestPlayingChannel) {
  const HSAMPLE sample = load(makeWav(kRate, 1, std::vector<int16_t>(800, 100)), 2);
  const HCHANNEL first = BASS_SampleGetChannel(sample, false);
  BASS_ChannelPlay(first, false);
  audio.pull(10);
  const HCHANNEL second = BASS_SampleGetChannel(sample, false);
  BASS_ChannelPlay(second, false);
  const HCHANNEL third = BASS_SampleGetChannel(sample, false);
  ASSERT_NE(third, 0u);
  EXPECT_FALSE(BASS_ChannelSetAttribute(first, BASS_ATTRIB_VOL, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelIsActive(second), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_SampleGetChannels(sample, nullptr), 2u);

  const HSAMPLE single = load(makeWav(kRate, 1, {1, 2}), 1, 0);
  EXPECT_NE(BASS_SampleGetChannel(single, false), 0u);
  EXPECT_EQ(BASS_SampleGetChannel(single, false), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
}

TEST_F(AudioMixerTest, PositionsAreWholeFramesAndTheEndIsAnError) {
  const HSAMPLE sample = load(makeWav(kRate, 2, {1, 2, 3, 4, 5, 6, 7, 8}));
  const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
  EXPECT_EQ(BASS_ChannelGetLength(channel, BASS_POS_BYTE), 16u);
  EXPECT_TRUE(BASS_ChannelSetPosition(channel, 11, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ChannelGetPosition(channel, BASS_POS_BYTE), 8u);
  EXPECT_FALSE(BASS_ChannelSetPosition(channel, 16, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
  BASS_ChannelPlay(channel, false);
  EXPECT_EQ(audio.pull(3), (std::vector<float>{pcm(5), pcm(6), pcm(7), pcm(8), 0, 0}));
}

TEST_F(AudioMixerTest, StaleHandlesNeverTouchAReusedSlot) {
  const HSAMPLE old = load(makeWav(kRate, 1, {1, 2}));
  EXPECT_TRUE(BASS_SampleFree(old));
  const HSAMPLE fresh = load(makeWav(kRate, 1, {1, 2, 3}));
  BASS_SAMPLE info{};
  EXPECT_FALSE(BASS_SampleGetInfo(old, &info));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  ASSERT_TRUE(BASS_SampleGetInfo(fresh, &info));
  EXPECT_EQ(info.length, 6u);
  EXPECT_EQ(info.freq, kRate);

  const HCHANNEL stopped = BASS_SampleGetChannel(fresh, false);
  BASS_ChannelStop(stopped);
  const HCHANNEL reused = BASS_SampleGetChannel(fresh, false);
  EXPECT_FALSE(BASS_ChannelSetAttribute(stopped, BASS_ATTRIB_VOL, 0));
  float volume = 0;
  BASS_ChannelGetAttribute(reused, BASS_ATTRIB_VOL, &volume);
  EXPECT_EQ(volume, 1.0f);
  // A sample's handle is no stream's and the reverse; a freed stream's handle frees nothing.
  EXPECT_FALSE(BASS_StreamFree(reused));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  const HSTREAM freed = stream(makeWav(kRate, 1, {1, 2}), 0);
  EXPECT_TRUE(BASS_StreamFree(freed));
  const HSTREAM next = stream(makeWav(kRate, 1, {1, 2}), 0);
  EXPECT_FALSE(BASS_StreamFree(freed));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelGetLength(next, BASS_POS_BYTE), 4u);
  // Every slot up to well past the table's end: those past it are no one's.
  for (DWORD slot = 0; slot <= 0x1000; ++slot) BASS_ChannelIsActive((next & 0xFFFF0000u) | slot);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(AudioMixerTest, StreamLoopsSeamlesslyAcrossDecodeChunksAndSeeks) {
  constexpr int kFrames = 5000;
  std::vector<int16_t> ramp(kFrames);
  for (int i = 0; i < kFrames; ++i) ramp[i] = static_cast<int16_t>((i % 1000) * 16 - 8000);
  const HSTREAM looping = stream(makeWav(kRate, 1, ramp), BASS_SAMPLE_LOOP);
  ASSERT_NE(looping, 0u);
  BASS_ChannelPlay(looping, true);
  const std::vector<float> out = audio.pull(12000);
  int wrong = 0;
  for (int i = 0; i < 12000; ++i)
    if (std::abs(out[2 * i] - pcm(ramp[i % kFrames])) > 1e-6f) ++wrong;
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(BASS_ChannelGetPosition(looping, BASS_POS_BYTE), 2u * (12000 % kFrames));
  BASS_ChannelStop(looping);

  const HSTREAM once = stream(makeWav(kRate, 1, ramp), 0);
  BASS_ChannelSetPosition(once, 2 * (kFrames - 2), BASS_POS_BYTE);
  BASS_ChannelPlay(once, false);
  const std::vector<float> tail = audio.pull(3);
  EXPECT_EQ(std::vector<float>({tail[0], tail[2], tail[4]}),
            (std::vector<float>{pcm(ramp[kFrames - 2]), pcm(ramp[kFrames - 1]), 0}));
  // A stream that ended stays, stopped, and plays again from its start.
  EXPECT_EQ(BASS_ChannelIsActive(once), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
  BASS_ChannelPlay(once, false);
  EXPECT_FLOAT_EQ(audio.pull(1)[0], pcm(ramp[0]));
}

TEST_F(AudioMixerTest, PauseKeepsEveryChannelWhereItIs) {
  std::vector<int16_t> ramp(1000);
  for (int i = 0; i < 1000; ++i) ramp[i] = static_cast<int16_t>(i * 8);
  const HSTREAM music = stream(makeWav(kRate, 1, ramp), 0);
  BASS_ChannelPlay(music, false);
  audio.pull(100);
  BASS_Pause();
  EXPECT_EQ(audio.pull(50)[0], 0.0f);
  EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_BYTE), 200u);
  BASS_Start();
  BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 5000);  // the music's volume: streams, not samples
  BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, 0);
  EXPECT_FLOAT_EQ(audio.pull(1)[0], pcm(ramp[100]) * 0.5f);
  BASS_ChannelPlay(BASS_SampleGetChannel(load(makeWav(kRate, 1, {1, 2})), false), false);
  EXPECT_TRUE(BASS_Update(100));  // decodes the stream ahead, leaves the sample alone
}

TEST_F(AudioMixerTest, BadValuesAndDamagedFilesGetErrorsOfTheTable) {
  const HSAMPLE sample = load(makeWav(kRate, 1, {1, 2, 3}));
  const HCHANNEL channel = BASS_SampleGetChannel(sample, false);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (DWORD attrib : {BASS_ATTRIB_FREQ, BASS_ATTRIB_VOL, BASS_ATTRIB_PAN}) {
    EXPECT_FALSE(BASS_ChannelSetAttribute(channel, attrib, nan));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_FALSE(BASS_ChannelSlideAttribute(channel, attrib, nan, 100));
  }
  EXPECT_FALSE(BASS_ChannelSetAttribute(channel, 9, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);

  EXPECT_EQ(load("RIFF\x10\0\0\0WAVEgarbage"), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
  EXPECT_EQ(load(makeWav(kRate, 1, {})), 0u);
  EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
  EXPECT_EQ(load(makeWav(kRate, 3, {1, 2, 3})), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
  std::string cut = makeWav(kRate, 1, std::vector<int16_t>(100, 7));
  cut.resize(cut.size() - 51);  // half a frame short of 75
  const HSAMPLE shortened = load(cut);
  BASS_SAMPLE info{};
  EXPECT_TRUE(BASS_SampleGetInfo(shortened, &info));
  EXPECT_EQ(info.length % 2, 0u);
}

TEST(AudioDeviceTest, DevicesListAndStartWithTheirFallbacks) {
  TestPlatform platform;
  OfflineAudioOutput& audio = platform.offlineAudio();
  audio.devices.push_back({"Second speakers", "offline"});
  BASS_DEVICEINFO info{};
  ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
  EXPECT_STREQ(info.name, "No sound");
  EXPECT_EQ(info.driver, nullptr);
  ASSERT_TRUE(BASS_GetDeviceInfo(1, &info));
  EXPECT_EQ(info.flags, BASS_DEVICE_ENABLED | BASS_DEVICE_DEFAULT);
  ASSERT_TRUE(BASS_GetDeviceInfo(3, &info));
  EXPECT_STREQ(info.name, "Second speakers");
  EXPECT_FALSE(BASS_GetDeviceInfo(4, &info));

  EXPECT_FALSE(BASS_SampleLoad(true, "x", 0, 1, 1, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  audio.failing = {-1};
  EXPECT_FALSE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_TRUE(BASS_Init(3, kRate, 0, nullptr, nullptr));
  EXPECT_EQ(audio.opened.back(), 1);
  EXPECT_FALSE(BASS_Init(0, kRate, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  BASS_GetDeviceInfo(3, &info);
  EXPECT_TRUE(info.flags & BASS_DEVICE_INIT);
  EXPECT_TRUE(BASS_Free());
  EXPECT_FALSE(audio.bOpen);
  // The no-sound device starts whatever the rate and the devices.
  audio.failing = {-1, 0, 1};
  EXPECT_TRUE(BASS_Init(0, 0, 0, nullptr, nullptr));

  // Without any device, only the no-sound device starts.
  setAudioOutput(makeNullAudioOutput());
  EXPECT_FALSE(BASS_GetDeviceInfo(1, &info));
  EXPECT_FALSE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr));
}

// End to end through SDL's disk driver: what it writes is the mix.
TEST(SdlAudioTest, DiskDriverWritesTheMix) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / ("zibaudio-" + std::to_string(getpid()) + ".raw");
  {
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv output("SDL_DISKAUDIOFILE", file.c_str());
    ScopedEnv delay("SDL_DISKAUDIODELAY", "1");
    setAudioOutput(makeSdlAudioOutput());
    ASSERT_TRUE(BASS_Init(-1, 22050, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    const std::string wav = makeWav(22050, 1, std::vector<int16_t>(2205, 12000));
    const HSAMPLE sample = BASS_SampleLoad(true, wav.data(), 0, static_cast<DWORD>(wav.size()), 1, BASS_SAMPLE_LOOP);
    BASS_ChannelPlay(BASS_SampleGetChannel(sample, false), false);
    std::error_code ignored;
    for (int i = 0; i < 200 && std::filesystem::file_size(file, ignored) + 1 < 64 * 1024 + 1; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    BASS_Free();
    setAudioOutput(nullptr);
  }
  const std::string bytes = EngineTest::readFile(file);
  std::filesystem::remove(file);
  ASSERT_GE(bytes.size(), 4096u);
  std::vector<float> floats(bytes.size() / sizeof(float));
  std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
  // Silence only before the play began; the rest is the sample, both sides.
  const float level = 12000 / 32768.0f;
  EXPECT_GT(std::count(floats.begin(), floats.end(), level), static_cast<std::ptrdiff_t>(floats.size() / 2));
  EXPECT_EQ(std::count(floats.begin(), floats.end(), level) + std::count(floats.begin(), floats.end(), 0.0f),
            static_cast<std::ptrdiff_t>(floats.size()));
}

}  // namespace
