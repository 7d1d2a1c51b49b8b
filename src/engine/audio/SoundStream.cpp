#include "engine/audio/SoundStream.h"

#include <algorithm>
#include <cmath>

#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Zib.h"
#include "engine/audio/AudioTime.h"
#include "engine/audio/ZibAudio.h"

int32_t residentStreamBytes = 0;

SoundStream::SoundStream(uint32_t flags, std::u16string fileName)
    : sourceData(true, fileName), fileName(std::move(fileName)), flags(flags) {
  bForceDisk = zib->pFileManager && zib->pFileManager->bForceDisk;
  if (!zib->bEnableDelayedLoad)
    recreateSoundStream();
  else
    zib->pFileManager->verifyFile(this->fileName);
}

SoundStream::~SoundStream() {
  // The music must not point at a stream that is gone.
  if (zib->pZibAudio && zib->pZibAudio->music == this) zib->pZibAudio->music = nullptr;
  releaseStream();
}

void SoundStream::recreateSoundStream() {
  if (!zib->pZibAudio || zib->pZibAudio->bNoAudio) return;
  if (stream) return;
  FileManager* files = zib->pFileManager;
  const bool saved = files->bForceDisk;
  files->bForceDisk = bForceDisk;
  sourceData.load();
  files->bForceDisk = saved;
  const DWORD bassFlags = (flags & 1) ? BASS_SAMPLE_LOOP : 0;
  HSTREAM pStream = BASS_StreamCreateFile(true, sourceData.block.data, 0, sourceData.block.size, bassFlags);
  if (!pStream)
    ErrorManager::fail(formatString(u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d",
                                    ZibAudio::getBASSErrorString(BASS_ErrorGetCode()),
                                    u"pStream = BASS_StreamCreateFile( true, sourceData.block.pData, 0, "
                                    u"sourceData.block.size, bassFlags)",
                                    u"SoundStream::recreateSoundStream", getFileName(fromUtf8(__FILE__)), __LINE__));
  stream = pStream;
  residentStreamBytes += static_cast<int32_t>(sourceData.block.size);
}

void SoundStream::releaseStream() {
  if (stream) {
    residentStreamBytes -= static_cast<int32_t>(sourceData.block.size);
    BASS_ChannelStop(stream);
    BASS_StreamFree(stream);
    stream = 0;
  }
  sourceData.unload();
}

QWORD SoundStream::length() const {
  const QWORD bytes = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
  // The error value is no length.
  return bytes == static_cast<QWORD>(-1) ? 0 : bytes;
}

void SoundStream::setVolume(float volume, double seconds) {
  if (!stream) recreateSoundStream();
  if (std::isnan(volume)) return;
  volume = std::clamp(volume, 0.0f, 1.0f);
  bSilenced = volume == 0;
  if (const uint32_t ms = audio_time::slideMilliseconds(seconds))
    BASS_ChannelSlideAttribute(stream, BASS_ATTRIB_VOL, volume == 0 ? -0.001f : volume, ms);
  else
    BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, volume);
}

void SoundStream::play(float fraction) {
  if (!stream) recreateSoundStream();
  if (BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING) return;
  setVolume(1.0f, 0);
  bSilenced = false;
  BASS_ChannelPlay(stream, true);
  const QWORD bytes = length();
  if (bytes >= 1 && fraction > 0)
    BASS_ChannelSetPosition(stream, static_cast<QWORD>(std::min(fraction, 1.0f) * static_cast<double>(bytes)),
                            BASS_POS_BYTE);
}

void SoundStream::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode == MODE_PAUSED && newMode == MODE_FROZEN && stream) {
    const QWORD bytes = length();
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED && !bSilenced && bytes > 0) {
      const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
      if (position != static_cast<QWORD>(-1))
        resumeAt = std::clamp(static_cast<float>(static_cast<double>(position) / static_cast<double>(bytes)), 0.0f, 1.0f);
    }
    releaseStream();
  } else if (oldMode == MODE_PAUSED && newMode == MODE_OK && resumeAt > 0) {
    play(resumeAt);
    resumeAt = 0;
  }
}

void SoundStream::purge() {
  if (stream && BASS_ChannelIsActive(stream) != BASS_ACTIVE_PLAYING) releaseStream();
}
