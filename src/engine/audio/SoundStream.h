#pragma once
// A long piece (music) decoded while it plays from a copy of its file in memory.
#include <cstdint>
#include <string>

#include "engine/FileData.h"
#include "engine/ZibBase.h"
#include "platform/Audio.h"

// Source bytes of the created streams, process-wide (the "streams" statistic).
extern int32_t residentStreamBytes;

class SoundStream : public ZibBase {
 public:
  // flags bit 0: loop.
  SoundStream(uint32_t flags, std::u16string fileName);
  ~SoundStream() override;

  void recreateSoundStream();
  // Frees the stream and the file's bytes.
  void releaseStream();
  // 0 to 1, over `seconds` or at once when that is 0 or less. A fade to 0
  // stops the stream at its end.
  void setVolume(float volume, double seconds);
  // Starts from `fraction` of the length unless it plays already.
  void play(float fraction);
  // Remembers the position and drops the stream at a device loss; resumes there after.
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override;
  // Drops the stream when it is not playing.
  void purge() override;

  // The length in bytes; 0 when the layer cannot tell.
  QWORD length() const;

  FileData sourceData;
  bool bSilenced = false;
  float resumeAt = 0;
  HSTREAM stream = 0;
  std::u16string fileName;
  uint32_t flags = 0;
  bool bForceDisk = false;
};
