// Image decoding of a 1024 x 1024 picture: our TGA and BMP readers against
// stb_image, our JPEG reader against TurboJPEG. Only the decoding is timed;
// the files are read into memory once.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "support/TempFolder.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"

namespace {

constexpr int kSide = 1024;

// The engine root, and the three files written by our own writers, each
// loaded into an image's file block ready for decoding.
struct ImageFiles {
  ImageFiles() {
    folder = makeTempFolder("zibbench");
    if (folder.empty()) std::abort();
    new Zib();
    zib->pFileManager = new FileManager();
    zib->pFileManager->bForceDisk = true;
    zib->bEnableDelayedLoad = true;

    // Smooth shading with some fine detail, like game art.
    MemoryImageFile picture(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        picture.pImageData[y * kSide + x] =
            0xFF000000u | uint32_t(x / 4) << 16 | uint32_t(y / 4) << 8 | uint32_t((x * y) >> 6 & 0xFF);
    picture.saveTGA(path("picture.tga"));
    picture.saveBMP(path("picture.bmp"));
    picture.saveJPG(85, path("picture.jpg"));
    tga = open("picture.tga");
    bmp = open("picture.bmp");
    jpg = open("picture.jpg");
  }
  ~ImageFiles() { std::filesystem::remove_all(folder); }

  std::u16string path(const char* name) const { return fromUtf8((folder / name).string()); }
  // Delayed: the image only checks the file; load() reads the raw bytes.
  std::unique_ptr<MemoryImageFile> open(const char* name) const {
    auto image = std::make_unique<MemoryImageFile>(MemoryImageFile::kImageMayDelay, path(name));
    image->load();
    return image;
  }

  std::filesystem::path folder;
  std::unique_ptr<MemoryImageFile> tga, bmp, jpg;
};

ImageFiles& files() {
  static ImageFiles instance;
  return instance;
}

template <void (MemoryImageFile::*decode)()>
void decodeOurs(benchmark::State& state, MemoryImageFile& image) {
  for (auto _ : state) {
    (image.*decode)();
    benchmark::DoNotOptimize(image.pImageData);
    image.freePixels();
  }
}

void decodeStb(benchmark::State& state, const MemoryImageFile& image) {
  for (auto _ : state) {
    int w = 0, h = 0, components = 0;
    stbi_uc* pixels = stbi_load_from_memory(image.block.data, int(image.block.size), &w, &h, &components, 4);
    if (!pixels) state.SkipWithError("stb_image failed");
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
}

void BM_TgaOurs(benchmark::State& state) { decodeOurs<&MemoryImageFile::loadTGA>(state, *files().tga); }
void BM_TgaStb(benchmark::State& state) { decodeStb(state, *files().tga); }
void BM_BmpOurs(benchmark::State& state) { decodeOurs<&MemoryImageFile::loadBMP>(state, *files().bmp); }
void BM_BmpStb(benchmark::State& state) { decodeStb(state, *files().bmp); }
void BM_JpegOurs(benchmark::State& state) { decodeOurs<&MemoryImageFile::loadJPG>(state, *files().jpg); }

void BM_JpegTurbo(benchmark::State& state) {
  const MemoryImageFile& image = *files().jpg;
  tjhandle handle = tjInitDecompress();
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[size_t(kSide) * kSide * 4]);
    if (tjDecompress2(handle, image.block.data, image.block.size, pixels.get(), kSide, 0, kSide, TJPF_BGRA, 0) != 0)
      state.SkipWithError("tjDecompress2 failed");
    benchmark::DoNotOptimize(pixels.get());
  }
  tjDestroy(handle);
}

}  // namespace

BENCHMARK(BM_TgaOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaStb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpStb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegTurbo)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
