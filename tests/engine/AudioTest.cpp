// The audio manager and the sound classes over the offline output.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <tuple>
#include <vector>

#include "base/Format.h"
#include "engine/FileManager.h"
#include "engine/MemoryIniFile.h"
#include "engine/EngineConfig.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "engine/audio/SoundChannel.h"
#include "engine/audio/SoundStream.h"
#include "engine/audio/ZibAudio.h"
#include "support/EngineFixture.h"
#include "support/OfflineAudioOutput.h"
#include "support/TestPlatform.h"

namespace {

constexpr uint32_t kRate = 22050;

class AudioTest : public EngineTest {
 protected:
  void SetUp() override {
    platform.clock();
    EngineTest::SetUp();
    useDiskFiles();
    zib->pTimeKeeper = new TimeKeeper();
    platform.clock().advance(1.0);
    zib->pConfig = new MemoryIniFile(getConfigFilePath());
  }

  void setConfig(const char16_t* key, const char16_t* value) { zib->pConfig->setString(u"ZibAudio", key, value); }
  ZibAudio& startAudio() { return *(zib->pZibAudio = new ZibAudio()); }
  std::u16string writeSound(const char* name, int frames, uint32_t rate = kRate) {
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) samples[static_cast<size_t>(i)] = static_cast<int16_t>(1000 + i % 1000);
    const auto path = dataHome.path() / name;
    writeFile(path, makeWav(rate, 1, samples));
    return fromUtf8(path.string());
  }
  static std::vector<HCHANNEL> channelsOf(const Sound& sound) {
    std::vector<HCHANNEL> handles(64);
    handles.resize(BASS_SampleGetChannels(sound.sample, handles.data()));
    return handles;
  }
  static float attribute(DWORD handle, DWORD attrib) {
    float value = -99;
    BASS_ChannelGetAttribute(handle, attrib, &value);
    return value;
  }

  TestPlatform platform;
  OfflineAudioOutput& audio = platform.offlineAudio();
};

TEST_F(AudioTest, MutedConfigurationListsDevicesAndStartsOnlyTheNoSoundDevice) {
  setConfig(u"bNoAudio", u"Yes");
  EXPECT_TRUE(startAudio().bNoAudio);
  EXPECT_NE(logText().find("2.  Offline speakers (driver=offline) flags=ENABLED  "), std::string::npos);
  EXPECT_TRUE(audio.opened.empty());

  // Muted, sounds and streams neither load nor play, and nothing fails.
  const std::u16string file = writeSound("muted.wav", 100);
  Sound sound(0, 2, file);
  sound.play();
  sound.playPanned(10);
  sound.purge();
  SoundStream music(1, file);
  music.play(0.5f);
  music.purge();
  EXPECT_EQ(sound.sample, 0u);
  EXPECT_EQ(music.stream, 0u);
  EXPECT_EQ(residentSoundBytes + residentStreamBytes, 0);
}

TEST_F(AudioTest, EveryDeviceFailingIsLoggedAndTheEngineRunsMuted) {
  audio.failing = {-1, 0};
  EXPECT_TRUE(startAudio().bNoAudio);
  EXPECT_EQ(audio.opened, (std::vector<int32_t>{-1, -1, 0}));  // devices -1, 1 and 2
  EXPECT_NE(logText().find("Attempting to initialize device 0 (mute)..."), std::string::npos);
}

TEST_F(AudioTest, VersionErrorNamesAndConfiguration) {
  // A rate of 0 would fail every start: it falls back to the default.
  setConfig(u"frequency", u"0");
  ZibAudio& manager = startAudio();
  EXPECT_FALSE(manager.bNoAudio);
  EXPECT_EQ(manager.frequency, 22050);
  EXPECT_EQ(audio.frequency, 22050u);
  // The game's choice outlives the engine's own save, which came earlier.
  manager.frequency = 44100;
  delete zib->pZibAudio;
  zib->pZibAudio = nullptr;
  EXPECT_NE(readFile(toUtf8(getConfigFilePath())).find("frequency=44100"), std::string::npos);

  // Last: a fatal report closes the log. Every code of the error table has its name, the rest are fatal.
  ZibAudio::checkVersion(0x02040a08);
  EXPECT_FATAL(ZibAudio::checkVersion(0x02040a07), "BASS_GetVersion() >= 0x02040a08");
  std::map<int32_t, std::string> names = {{0, "BASS_OK"}};
  std::istringstream table(
      "1 MEM 2 FILEOPEN 3 DRIVER 4 BUFLOST 5 HANDLE 6 FORMAT 7 POSITION 8 INIT 9 START 14 ALREADY 18 NOCHAN "
      "19 ILLTYPE 20 ILLPARAM 21 NO3D 22 NOEAX 23 DEVICE 24 NOPLAY 25 FREQ 27 NOTFILE 29 NOHW 31 EMPTY 32 NONET "
      "33 CREATE 34 NOFX 37 NOTAVAIL 38 DECODE 39 DX 40 TIMEOUT 41 FILEFORM 42 SPEAKER 43 VERSION 44 CODEC "
      "45 ENDED 46 BUSY -1 UNKNOWN");
  for (std::pair<int32_t, std::string> e; table >> e.first >> e.second;) names[e.first] = "BASS_ERROR_" + e.second;
  ASSERT_EQ(names.size(), 36u);
  for (int32_t code = -3; code <= 50; ++code) {
    if (names.contains(code)) EXPECT_EQ(toUtf8(ZibAudio::getBASSErrorString(code)), names[code]);
    else EXPECT_FATAL(ZibAudio::getBASSErrorString(code), toUtf8(formatString(u"Unknown BASS error: %08x", code)));
  }
}

TEST_F(AudioTest, OnlyTheStepsBetweenOkAndPausedPauseAndResume) {
  startAudio();
  // The mode stepped to, the output's state set before (so that a wrong pause or start shows), its state after.
  const std::tuple<int32_t, bool, bool> steps[] = {{MODE_PAUSED, false, true}, {MODE_FROZEN, false, false},
                                                   {MODE_PAUSED, false, false}, {MODE_FROZEN, true, true},
                                                   {MODE_OK, true, false}};
  for (const auto& [mode, before, after] : steps) {
    audio.bPaused = before;
    zib->changeZIBmode(mode);
    EXPECT_EQ(audio.bPaused, after) << mode;
  }
}

TEST_F(AudioTest, SetMusicKeepsStartsSwitchesAndStops) {
  ZibAudio& manager = startAudio();
  const std::u16string file = writeSound("music.wav", 4000);
  auto first = std::make_unique<SoundStream>(1, file);
  SoundStream second(1, file);
  manager.setMusic(first.get());
  audio.pull(1000);
  manager.setMusic(first.get());
  EXPECT_EQ(BASS_ChannelGetPosition(first->stream, BASS_POS_BYTE), 2000u);  // not restarted
  manager.setMusic(&second);
  EXPECT_EQ(BASS_ChannelIsActive(first->stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelIsActive(second.stream), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_ChannelGetPosition(second.stream, BASS_POS_BYTE), 0u);
  manager.setMusic(nullptr);
  EXPECT_EQ(BASS_ChannelIsActive(second.stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(manager.music, nullptr);
  // The music pointer never outlives its stream.
  manager.setMusic(first.get());
  first.reset();
  EXPECT_EQ(manager.music, nullptr);
  manager.setMusic(&second);
  EXPECT_EQ(manager.music, &second);
}

TEST_F(AudioTest, PitchIsRandomWithinItsRangeOrGivenAsFactorOrHertzAndPanFollowsTheScreen) {
  startAudio();
  Sound sound(0, 64, writeSound("pitch.wav", 20000));
  sound.pitchMin = 0;
  sound.pitchMax = 0.5f;
  for (int i = 0; i < 40; ++i) sound.play();
  std::vector<float> rates;
  for (HCHANNEL channel : channelsOf(sound)) rates.push_back(attribute(channel, BASS_ATTRIB_FREQ));
  ASSERT_EQ(rates.size(), 40u);
  const auto [low, high] = std::minmax_element(rates.begin(), rates.end());
  EXPECT_GE(*low, kRate);
  EXPECT_LT(*high, kRate * 1.5f);
  EXPECT_GT(*high - *low, kRate * 0.3f);
  {
    SoundChannel channel(&sound);  // kept, never started
    channel.setFrequency(22050.0f, 0);
    EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_FREQ), 22050.0f);
    channel.setFrequency(2.0f, -1);  // no time: at once
    EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_FREQ), 2.0f * kRate);
    channel.setFrequency(-1.0f, 0);  // 0: the sample's own rate
    EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_FREQ), static_cast<float>(kRate));
    channel.setPan(-7, 0);
    EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_PAN), -1.0f);
  }
  EXPECT_EQ(channelsOf(sound).size(), 40u) << "destroyed unstarted, it is stopped";

  // The engine's generator by hand: from seed 12345, x = 0x9DA03218, then 0x4ADC687B.
  Sound slow(0, 8, writeSound("slow.wav", 1000, 1000));
  slow.pitchMin = 0.25f;
  slow.pitchMax = 0.75f;
  seedRandom(12345);
  slow.play();
  slow.play();
  slow.playWithPitch(0.5f);
  slow.playWithPitch(100);  // a factor, not yet hertz
  rates.clear();
  for (HCHANNEL channel : channelsOf(slow)) rates.push_back(attribute(channel, BASS_ATTRIB_FREQ));
  const float first = 1000 * (1.25f + 0.5f * 0x9DA0 / 65536), second = 1000 * (1.25f + 0.5f * 0x4ADC / 65536);
  EXPECT_EQ(rates, (std::vector<float>{first, second, 500, 100000}));

  Sound panned(0, 8, writeSound("pan.wav", 5000));
  for (float x : {0.0f, 400.0f, -400.0f, 200.0f, 1000.0f, -5000.0f}) panned.playPanned(x);
  std::vector<float> pans;
  for (HCHANNEL channel : channelsOf(panned)) pans.push_back(attribute(channel, BASS_ATTRIB_PAN));
  EXPECT_EQ(pans, (std::vector<float>{0, 1, -1, 0.5f, 1, -1}));
}

TEST_F(AudioTest, ChannelSlidesFrequencyAndPanFromWhereTheyAreOverWholeMilliseconds) {
  startAudio();  // the output runs at 22050 Hz: 20 ms are 441 frames
  Sound sound(1, 1, writeSound("slide.wav", 1000));
  SoundChannel channel(&sound);
  channel.setFrequency(2.0f, 0.0209);
  channel.setPan(7, 0.0209);
  EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_FREQ), kRate);
  EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_PAN), 0.0f);
  channel.play();
  audio.pull(440);
  EXPECT_GT(attribute(channel.channel, BASS_ATTRIB_FREQ), 1.99f * kRate);
  EXPECT_GT(attribute(channel.channel, BASS_ATTRIB_PAN), 0.99f);
  audio.pull(1);
  EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_FREQ), 2.0f * kRate);
  EXPECT_EQ(attribute(channel.channel, BASS_ATTRIB_PAN), 1.0f);
}

TEST_F(AudioTest, RepeatIntervalRefusesTheSecondPlayWithoutCuttingTheFirst) {
  startAudio();
  Sound sound(0, 1, writeSound("shot.wav", 5000));
  sound.minRepeatInterval = 0.1;
  sound.play();
  const std::vector<HCHANNEL> playing = channelsOf(sound);
  ASSERT_EQ(playing.size(), 1u);
  platform.clock().advance(0.09);
  sound.play();
  EXPECT_EQ(channelsOf(sound), playing);
  EXPECT_EQ(BASS_ChannelIsActive(playing[0]), BASS_ACTIVE_PLAYING);
  platform.clock().advance(0.02);
  sound.play();
  EXPECT_NE(channelsOf(sound), playing);
}

TEST_F(AudioTest, StreamStartsAtAFractionAndResumesAfterADeviceLoss) {
  startAudio();
  SoundStream music(1, writeSound("loop.wav", 10000));
  music.play(0.5f);
  EXPECT_EQ(BASS_ChannelGetPosition(music.stream, BASS_POS_BYTE), 10000u);
  music.play(0.2f);  // playing: unchanged
  EXPECT_EQ(BASS_ChannelGetPosition(music.stream, BASS_POS_BYTE), 10000u);
  audio.pull(2000);
  zib->changeZIBmode(MODE_FROZEN);
  EXPECT_EQ(music.stream, 0u);
  EXPECT_FLOAT_EQ(music.resumeAt, 0.7f);
  zib->changeZIBmode(MODE_OK);
  EXPECT_NEAR(static_cast<double>(BASS_ChannelGetPosition(music.stream, BASS_POS_BYTE)), 14000.0, 4.0);

  // Faded out, it stays silent over a loss; play starts it again.
  music.setVolume(0, 0.01);
  audio.pull(400);
  EXPECT_EQ(BASS_ChannelIsActive(music.stream), BASS_ACTIVE_STOPPED);
  zib->changeZIBmode(MODE_FROZEN);
  zib->changeZIBmode(MODE_OK);
  EXPECT_EQ(music.stream, 0u);
  music.play(0);
  EXPECT_EQ(BASS_ChannelIsActive(music.stream), BASS_ACTIVE_PLAYING);
  music.setVolume(0, 0);  // silenced at once: still playing, and not brought back either
  audio.pull(1000);
  zib->changeZIBmode(MODE_FROZEN);
  zib->changeZIBmode(MODE_OK);
  EXPECT_EQ(music.stream, 0u);

  // NaN is never passed on; a length the layer cannot tell is no length.
  music.setVolume(std::numeric_limits<float>::quiet_NaN(), 0);
  EXPECT_EQ(attribute(music.stream, BASS_ATTRIB_VOL), 1.0f);
  BASS_StreamFree(music.stream);  // behind its back: the handle goes stale
  zib->changeZIBmode(MODE_FROZEN);
  EXPECT_EQ(music.resumeAt, 0.0f);
  EXPECT_EQ(residentStreamBytes, 0);
  zib->changeZIBmode(MODE_OK);
}

TEST_F(AudioTest, SoundsReadTheDiskOnlyWhenMadeInDiskModeAndMissingFilesAreFatalEarly) {
  startAudio();
  const std::u16string file = writeSound("disk.wav", 100);
  Sound fromDisk(0, 1, file);
  zib->pFileManager->bForceDisk = false;  // archives only from here on
  fromDisk.play();
  EXPECT_NE(fromDisk.sample, 0u);
  EXPECT_FATAL(Sound(0, 1, file), "does not exist");  // in no archive
  zib->pFileManager->bForceDisk = true;
  EXPECT_FATAL(Sound(0, 1, file + u".missing"), "verification failed");  // before any play
  EXPECT_FATAL(SoundStream(0, file + u".missing"), "verification failed");
  zib->bEnableDelayedLoad = false;
  zib->pFileManager->bForceDisk = false;
  EXPECT_FATAL(Sound(0, 1, file), "not found");
}

TEST_F(AudioTest, ResidentCountersReturnToZeroAfterEveryFree) {
  startAudio();
  const std::u16string file = writeSound("count.wav", 1000);
  {
    Sound sound(0, 2, file);
    SoundStream music(0, file);
    sound.play();
    music.play(0);
    EXPECT_EQ(residentSoundBytes, 2000);
    EXPECT_GT(residentStreamBytes, 2000);
    sound.purge();  // a channel still plays
    EXPECT_EQ(residentSoundBytes, 2000);
    audio.pull(1000);
    sound.purge();
    music.purge();
    EXPECT_EQ(residentSoundBytes + residentStreamBytes, 0);
    sound.play();
    music.play(0);
    zib->changeZIBmode(MODE_FROZEN);
    EXPECT_EQ(residentSoundBytes + residentStreamBytes, 0);
    zib->changeZIBmode(MODE_OK);
    sound.play();
  }
  EXPECT_EQ(residentSoundBytes + residentStreamBytes, 0);
}

}  // namespace
