#include "engine/audio/Sound.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/ErrorManager.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/ZibModules.h"
#include "engine/audio/AudioTime.h"
#include "engine/audio/SoundChannel.h"
#include "engine/audio/ZibAudio.h"

ZIB_DEFINE_CLASS(Sound, ZibBase, nullptr);

int32_t residentSoundBytes = 0;

namespace {

[[noreturn]] void reportFailedCall(const char16_t* statement, int line) {
  ErrorManager::fail(formatString(u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d",
                                  ZibAudio::getBASSErrorString(BASS_ErrorGetCode()), statement,
                                  u"Sound::recreateSound", getFileName(fromUtf8(__FILE__)), line));
}

}  // namespace

Sound::Sound(uint32_t flags, uint32_t maxPlaybacks, std::u16string fileName)
    : fileName(std::move(fileName)), flags(flags), maxPlaybacks(maxPlaybacks) {
  bForceDisk = zib->pFileManager && zib->pFileManager->bForceDisk;
  if (!zib->bEnableDelayedLoad)
    recreateSound();
  else
    zib->pFileManager->verifyFile(this->fileName);
}

Sound::~Sound() { freeSample(); }

void Sound::freeSample() {
  if (!sample) return;
  residentSoundBytes -= static_cast<int32_t>(info.length);
  BASS_SampleFree(sample);
  sample = 0;
}

void Sound::recreateSound() {
  if (!zib->pZibAudio || zib->pZibAudio->bNoAudio) return;
  FileManager* files = zib->pFileManager;
  const bool saved = files->bForceDisk;
  files->bForceDisk = bForceDisk;
  const auto file = std::make_unique<FileData>(false, fileName);
  files->bForceDisk = saved;
  const DWORD loop = (flags & 1) ? BASS_SAMPLE_LOOP : 0;
  const DWORD savedMaxPlaybacks = std::max<uint32_t>(maxPlaybacks, 1);
  HSAMPLE pSample = BASS_SampleLoad(true, file->block.data, 0, file->block.size, savedMaxPlaybacks,
                                    loop | BASS_SAMPLE_OVER_POS | BASS_SAMPLE_VAM);
  if (!pSample)
    reportFailedCall(u"pSample = BASS_SampleLoad( true, f.block.pData, 0, f.block.size, savedMaxPlaybacks, "
                     u"bassFlags | BASS_SAMPLE_OVER_POS | BASS_SAMPLE_VAM)",
                     __LINE__);
  info = BASS_SAMPLE{};
  if (!BASS_SampleGetInfo(pSample, &info)) reportFailedCall(u"BASS_SampleGetInfo(pSample, &info)", __LINE__);
  sample = pSample;
  residentSoundBytes += static_cast<int32_t>(info.length);
}

bool Sound::mayStart() const { return audio_time::now() >= lastPlayTime + minRepeatInterval; }

void Sound::playOnce(float factor, bool bPanned, float x) {
  if (!sample) recreateSound();
  // Refused by the repeat interval before a channel is taken, so that a full
  // sample never gives up a playing voice for a play that will not start.
  if (!mayStart()) return;
  SoundChannel channel(this);
  if (bPanned) {
    const int32_t h = zibModules().screenWidth(*zib) / 2;
    const float t = h > 0 ? std::clamp((x + static_cast<float>(h)) / static_cast<float>(2 * h), 0.0f, 1.0f) : 0.5f;
    channel.setPan(std::isnan(t) ? 0.0f : -1 + 2 * t, 0);
  }
  if (factor < 0) {
    const float r = static_cast<float>(randomStep() >> 16) / 65536.0f;
    factor = 1 + pitchMin + (pitchMax - pitchMin) * r;
  }
  channel.setFrequency(factor, 0);
  channel.play();
}

void Sound::play() { playOnce(-1, false, 0); }

void Sound::playWithPitch(float factor) {
  // A negative factor is the slowest rate, not a request for a random one.
  playOnce(std::isnan(factor) ? 1.0f : std::max(factor, 0.0f), false, 0);
}

void Sound::playPanned(float x) { playOnce(-1, true, x); }

void Sound::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode == MODE_PAUSED && newMode == MODE_FROZEN) freeSample();
}

void Sound::purge() {
  if (sample && BASS_SampleGetChannels(sample, nullptr) == 0) freeSample();
}
