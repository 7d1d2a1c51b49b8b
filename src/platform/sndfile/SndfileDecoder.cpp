// Sound files through libsndfile's virtual I/O over the caller's memory.
#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "platform/Audio.h"
#include "platform/mixer/AudioDecoder.h"

namespace {

constexpr uint32_t kMinRate = 1000;
constexpr uint32_t kMaxRate = 384000;

class SndfileDecoder final : public AudioDecoder {
 public:
  SndfileDecoder(const void* data, uint64_t size) : bytes(static_cast<const uint8_t*>(data)), size(static_cast<sf_count_t>(size)) {}
  ~SndfileDecoder() override {
    if (file) sf_close(file);
  }

  int32_t open() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* self) { return static_cast<SndfileDecoder*>(self)->size; };
    io.seek = [](sf_count_t offset, int whence, void* self) { return static_cast<SndfileDecoder*>(self)->seekBytes(offset, whence); };
    io.read = [](void* out, sf_count_t count, void* self) { return static_cast<SndfileDecoder*>(self)->readBytes(out, count); };
    io.write = [](const void*, sf_count_t, void*) -> sf_count_t { return 0; };
    io.tell = [](void* self) { return static_cast<SndfileDecoder*>(self)->position; };
    SF_INFO info{};
    file = sf_open_virtual(&io, SFM_READ, &info, this);
    if (!file) return BASS_ERROR_FILEFORM;
    if (info.channels < 1 || info.channels > 2 || info.samplerate < static_cast<int>(kMinRate) ||
        info.samplerate > static_cast<int>(kMaxRate))
      return BASS_ERROR_FORMAT;
    // Float data beyond full scale is clipped, not wrapped, when read as shorts.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    channels = info.channels;
    rate = static_cast<uint32_t>(info.samplerate);
    frames = std::max<sf_count_t>(info.frames, 0);
    return BASS_OK;
  }

  int64_t readShort(int16_t* out, int64_t count) override { return std::max<sf_count_t>(sf_readf_short(file, out, count), 0); }
  int64_t readFloat(float* out, int64_t count) override { return std::max<sf_count_t>(sf_readf_float(file, out, count), 0); }
  bool seek(int64_t frame) override { return sf_seek(file, frame, SEEK_SET) == frame; }

 private:
  sf_count_t seekBytes(sf_count_t offset, int whence) {
    sf_count_t target = offset;
    if (whence == SEEK_CUR) target += position;
    if (whence == SEEK_END) target += size;
    if (target < 0 || target > size) return -1;
    return position = target;
  }
  sf_count_t readBytes(void* out, sf_count_t count) {
    const sf_count_t n = std::clamp<sf_count_t>(size - position, 0, std::max<sf_count_t>(count, 0));
    if (n > 0) std::memcpy(out, bytes + position, static_cast<size_t>(n));
    position += n;
    return n;
  }

  const uint8_t* bytes;
  sf_count_t size;
  sf_count_t position = 0;
  SNDFILE* file = nullptr;
};

}  // namespace

std::unique_ptr<AudioDecoder> openAudioDecoder(const void* data, uint64_t size, int32_t& error) {
  if (!data || size == 0) {
    error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  auto decoder = std::make_unique<SndfileDecoder>(data, size);
  error = decoder->open();
  if (error != BASS_OK) return nullptr;
  return decoder;
}
