#pragma once
// Fuzz targets run without an engine window: a bare engine root whose fatal
// reports throw FuzzFatal, so that a fatal report ends the input, not the fuzzer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

struct FuzzFatal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The input in a heap block of exactly its size (none to spare, even for an
// empty input), so that a read past its end is one ASan reports.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* bytes, size_t size) : length(size), copy(new uint8_t[size]) {
    if (size) std::memcpy(copy.get(), bytes, size);
  }
  const uint8_t* data() const { return copy.get(); }
  size_t size() const { return length; }

 private:
  size_t length;
  std::unique_ptr<uint8_t[]> copy;
};

// Builds the bare root once (logger, error manager, resource manager) with
// its user-data folder in a temporary directory.
void fuzzEnsureEngine();

// Runs f, swallowing FuzzFatal.
template <class F>
void fuzzCatchFatal(F&& f) {
  try {
    f();
  } catch (const FuzzFatal&) {
  }
}

// fuzzEnsureEngine, then a configuration and the graphics manager on the
// null device (no display), for targets that make textures and quads.
void fuzzEnsureGraphics();

// Writes the bytes as the file `name` in the fuzzing's temporary data folder
// (creating the disk-only file manager when needed) and returns its path.
std::u16string fuzzWriteInput(const uint8_t* data, size_t size, const char* name);

// Decodes the bytes as an image file whose name ends with `extension`
// (".bmp", ".tga", ".jpg"), written into the fuzzing's temporary data folder.
// With `maxPixels`, an image whose header asks for more pixels is read no
// further: a few header bytes can ask for a huge image, which only costs time.
void fuzzDecodeImage(const uint8_t* data, size_t size, const char* extension, int64_t maxPixels = 0);

// Starts the audio layer once, on an output that mixes only when asked.
void fuzzEnsureAudio();
// Mixes `frames` stereo frames; aborts when a mixed value is not finite.
void fuzzPullAudio(int frames);
