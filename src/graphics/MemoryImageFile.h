#pragma once
// A 32-bit image in main memory: decoded from a TGA, BMP or JPEG file read
// through the file manager, or blank (memory-only). File-backed images free
// their pixels when the engine freezes and decode them again on demand.
#include <cstdint>
#include <string>

#include "engine/FileData.h"
#include "graphics/PointI.h"
#include "graphics/RectI.h"

// 32-bit ARGB: alpha in the top byte; in memory blue, green, red, alpha.
using UColor = uint32_t;

// Bytes of pixel arrays held by all images, process-wide.
extern int32_t residentImageBytes;

class MemoryImageFile : public FileData {
 public:
  static constexpr uint32_t kImageMayDelay = 1;
  static constexpr uint32_t kImageHeaderOnly = 2;
  // Larger sides are refused by the decoders.
  static constexpr int32_t kMaxSide = 16384;

  // File-backed: decodes now, or with kImageMayDelay and delayed loading on
  // only checks that the file exists.
  MemoryImageFile(uint32_t flags, std::u16string filename);
  // Memory-only, contents undefined until written.
  MemoryImageFile(int32_t width, int32_t height);
  ~MemoryImageFile() override;

  // Decodes the file again when the pixels were purged.
  void unpurge();
  // Frees the pixels of a file-backed image; memory-only images keep theirs.
  void purge() override;
  // Purges on the step from PAUSED to FROZEN.
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override;

  // Decode the loaded file block; fatal on anything they cannot read.
  void loadTGA();
  void loadBMP();
  void loadJPG();

  // 2 x 2 box filter; an odd last row or column is dropped.
  void halveSize();
  // Null rect: the whole image. Black, or white with alpha 0.
  void clear(const RectI* rect, bool white);
  // Copies a rectangle of `sourceData` (null: all of it) to `destPoint` (null: 0, 0).
  void blit(const MemoryImageFile* sourceData, const RectI* sourceRect, const PointI* destPoint);
  // Floyd-Steinberg error diffusion of red, green and blue to 4 or 5 bits.
  void ditherDiffusion12bpp();
  void ditherDiffusion15bpp();

  // A file that cannot be opened is logged and nothing is written.
  void saveTGA(const std::u16string& path) const;
  void saveBMP(const std::u16string& path) const;
  void saveJPG(int quality, const std::u16string& path) const;

  // Sets the size and allocates the pixels (contents undefined), counting
  // them in residentImageBytes; freePixels undoes it.
  void allocatePixels(int32_t newWidth, int32_t newHeight);
  void freePixels();

  int32_t width = 0;
  int32_t height = 0;
  UColor* pImageData = nullptr;
  uint32_t flags = 0;
  uint8_t bForeignData = 0;

 private:
  void ditherDiffusion(uint8_t mask);
};
