#pragma once
// A sound file decoded from a memory block that the caller keeps alive.
#include <cstdint>
#include <memory>

class AudioDecoder {
 public:
  virtual ~AudioDecoder() = default;
  // Frames into `out` (interleaved, `channels` per frame); 0 at the end.
  virtual int64_t readShort(int16_t* out, int64_t frames) = 0;
  virtual int64_t readFloat(float* out, int64_t frames) = 0;
  virtual bool seek(int64_t frame) = 0;

  int32_t channels = 0;  // 1 or 2
  uint32_t rate = 0;     // Hz
  int64_t frames = 0;    // as the file declares them
};

// WAV, Ogg Vorbis or FLAC. Null with a BASS error code in `error` when the
// data is not a sound file of one or two channels at a sane rate.
std::unique_ptr<AudioDecoder> openAudioDecoder(const void* data, uint64_t size, int32_t& error);
