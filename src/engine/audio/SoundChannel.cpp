#include "engine/audio/SoundChannel.h"

#include <cmath>

#include "engine/ErrorManager.h"
#include "engine/audio/AudioTime.h"
#include "engine/audio/Sound.h"

ZIB_DEFINE_CLASS(SoundChannel, ZibBase, nullptr);

SoundChannel::SoundChannel(Sound* pSound) : pSound(pSound) {
  ZIB_ASSERT(pSound != NULL);
  if (!pSound->sample) pSound->recreateSound();
  channel = BASS_SampleGetChannel(pSound->sample, false);
  bStarted = false;
}

SoundChannel::~SoundChannel() {
  if (!bStarted) BASS_ChannelStop(channel);
}

void SoundChannel::setFrequency(float factor, double seconds) {
  if (std::isnan(factor)) return;
  float value = factor;
  if (factor <= 100.0f) {
    if (factor < 0) factor = 0;
    if (!pSound->sample) pSound->recreateSound();
    value = static_cast<float>(pSound->info.freq) * factor;
  }
  if (const uint32_t ms = audio_time::slideMilliseconds(seconds))
    BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_FREQ, value, ms);
  else
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_FREQ, value);
}

void SoundChannel::setPan(float pan, double seconds) {
  if (std::isnan(pan)) return;
  pan = std::clamp(pan, -1.0f, 1.0f);
  if (const uint32_t ms = audio_time::slideMilliseconds(seconds))
    BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_PAN, pan, ms);
  else
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_PAN, pan);
}

void SoundChannel::play() {
  if (!pSound->mayStart()) return;
  BASS_ChannelPlay(channel, false);
  pSound->lastPlayTime = audio_time::now();
  bStarted = true;
}
