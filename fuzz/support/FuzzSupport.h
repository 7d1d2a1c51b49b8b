#pragma once
// Fuzz targets run without an engine window: a bare engine root whose fatal
// reports throw FuzzFatal, so that a fatal report ends the input, not the fuzzer.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

struct FuzzFatal : std::runtime_error {
  using std::runtime_error::runtime_error;
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
