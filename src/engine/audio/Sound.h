#pragma once
// A short sound held whole by the audio layer, played fire-and-forget with a
// random pitch, optionally panned, at most every minRepeatInterval seconds.
#include <cstdint>
#include <string>

#include "engine/ZibBase.h"
#include "platform/Audio.h"

// Bytes of the loaded samples, process-wide (the "sounds" statistic).
extern int32_t residentSoundBytes;

class Sound : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // flags bit 0: loop. Loads at once unless the engine delays loading, in
  // which case only the file's presence is checked and the first play loads it.
  Sound(uint32_t flags, uint32_t maxPlaybacks, std::u16string fileName);
  ~Sound() override;

  // Loads the sample; nothing while the engine is muted.
  void recreateSound();
  void play();
  void playWithPitch(float factor);
  // Pans from a horizontal scene position: 0 is the screen's centre, half the
  // screen width fully right.
  void playPanned(float x);

  // Drops the sample on the step from PAUSED to FROZEN; the next play reloads it.
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override;
  // Drops the sample when none of its channels exists.
  void purge() override;

  // True when a new channel may start now.
  bool mayStart() const;
  void freeSample();

  double lastPlayTime = 0;
  double minRepeatInterval = 0;
  float pitchMin = 0, pitchMax = 0;
  HSAMPLE sample = 0;
  BASS_SAMPLE info{};
  std::u16string fileName;
  uint32_t flags = 0;
  uint32_t maxPlaybacks = 1;
  bool bForceDisk = false;

 private:
  // The one-shot play: factor < 0 asks for the random pitch.
  void playOnce(float factor, bool bPanned, float x);
};
