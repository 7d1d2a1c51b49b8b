#pragma once
// One playback of a Sound, with its own frequency and pan.
#include <cstdint>

#include "engine/ZibBase.h"
#include "platform/Audio.h"

class Sound;

class SoundChannel : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Takes a channel of the sound's sample (loading it first when absent).
  explicit SoundChannel(Sound* pSound);
  // A channel never started is stopped; a started one plays on.
  ~SoundChannel() override;

  // factor above 100: Hz; else a factor of the sample's own rate (below 0: 0,
  // the original rate). Over `seconds`, or at once when that is 0 or less.
  void setFrequency(float factor, double seconds);
  // -1 left to 1 right; over `seconds`, or at once when that is 0 or less.
  void setPan(float pan, double seconds);
  // Starts unless the sound started less than its minRepeatInterval ago.
  void play();

  Sound* pSound = nullptr;
  bool bStarted = false;
  HCHANNEL channel = 0;
};
