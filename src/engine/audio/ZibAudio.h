#pragma once
// The audio manager: starts the audio layer on the first output device that
// works (or muted), pauses and resumes all output with the engine, and holds
// the music stream that plays.
#include <cstdint>
#include <string>

#include "engine/ClassInfo.h"

class SoundStream;

class ZibAudio {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  // Output rates outside this range fall back to kDefaultFrequency.
  static constexpr int32_t kMinFrequency = 8000;
  static constexpr int32_t kMaxFrequency = 192000;
  static constexpr int32_t kDefaultFrequency = 22050;
  static constexpr uint32_t kMinVersion = 0x02040a08;

  ZibAudio();
  // Stores `frequency` in the user configuration (and saves it, since the
  // engine's own save came earlier in the shutdown), then stops the layer.
  virtual ~ZibAudio();
  ZibAudio(const ZibAudio&) = delete;
  ZibAudio& operator=(const ZibAudio&) = delete;

  // OK to PAUSED pauses the output, PAUSED to OK resumes it.
  virtual void onZIBmodeChange(int32_t oldMode, int32_t newMode);

  // Stops the old music at once and starts `stream` from its beginning;
  // nothing when it is already the music. Null stops the music.
  void setMusic(SoundStream* stream);
  // Fatal for a code outside the layer's table.
  static std::u16string getBASSErrorString(int32_t code);
  void dumpAudioInfo();
  // Fatal assertion when the layer is older than kMinVersion.
  static void checkVersion(uint32_t version);

  int32_t frequency = 0;
  bool bNoAudio = false;
  // Not owned; cleared when the stream is destroyed.
  SoundStream* music = nullptr;
};
