#include "graphics/MemoryImageFile.h"

#include <algorithm>
#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "engine/ErrorManager.h"
#include "engine/FileStream.h"
#include "engine/Logger.h"
#include "engine/Zib.h"

int32_t residentImageBytes = 0;

namespace {

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t readU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

void putU16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void putU32(uint8_t* p, uint32_t v) {
  putU16(p, v);
  putU16(p + 2, v >> 16);
}

// An image writer's file stream; one that cannot be opened is logged, with
// the system's reason, in the name of the writer `function`. A file stream
// refuses what is not a regular file (a FIFO would block).
bool openedImageFile(const FileStream& out, const std::u16string& function, const std::u16string& path) {
  if (!out.isOpen)
    logFunctionMessage(function, formatString(u"Could not open %s for writing: %s", path, errnoText(errno)));
  return out.isOpen;
}

// Closes an image writer's file. One that could not be written whole (a full
// disk) is removed rather than left as a cut picture, and logged with the reason.
void closeImageFile(FileStream& out, bool bWritten, const std::u16string& function, const std::u16string& path) {
  const int writeError = errno;
  if (out.close() && bWritten) return;
  const int error = bWritten ? errno : writeError;
  std::remove(toUtf8(path).c_str());
  logFunctionMessage(function, formatString(u"Could not write %s: %s", path, errnoText(error)));
}

bool isValidSize(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= MemoryImageFile::kMaxSide && h <= MemoryImageFile::kMaxSide;
}

// libjpeg reports through error_exit, which must not return. It jumps back
// to the function that called into libjpeg, so that the codec can be
// destroyed before the fatal report (which never returns either).
struct JpegError {
  jpeg_error_mgr pub;
  jmp_buf jump;
  const char16_t* function;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpegFail(j_common_ptr cinfo, const char16_t* function, const char* message) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  err->function = function;
  std::snprintf(err->message, sizeof err->message, "%s", message);
  longjmp(err->jump, 1);
}

[[noreturn]] void my_error_exit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  err->function = u"my_error_exit";
  cinfo->err->format_message(cinfo, err->message);
  longjmp(err->jump, 1);
}

void initJpegError(JpegError& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = my_error_exit;
}

// Memory source: the whole file is in the block, so running out of data
// means the file is damaged.
void init_source(j_decompress_ptr) {}
void term_source(j_decompress_ptr) {}
boolean fill_input_buffer(j_decompress_ptr cinfo) {
  jpegFail(reinterpret_cast<j_common_ptr>(cinfo), u"fill_input_buffer", "Should not ever be called.");
}
void skip_input_data(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  if (count <= 0) return;
  const size_t skip = std::min(static_cast<size_t>(count), src->bytes_in_buffer);
  src->next_input_byte += skip;
  src->bytes_in_buffer -= skip;
}

// Only trivially destructible objects may live between here and libjpeg:
// a failure leaves through longjmp.
bool decodeJpeg(jpeg_decompress_struct& cinfo, JpegError& err, jpeg_source_mgr& source, MemoryImageFile& image) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  source.next_input_byte = image.block.data;
  source.bytes_in_buffer = image.block.size;
  source.init_source = init_source;
  source.fill_input_buffer = fill_input_buffer;
  source.skip_input_data = skip_input_data;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = term_source;
  cinfo.src = &source;

  jpeg_read_header(&cinfo, TRUE);
  const auto common = reinterpret_cast<j_common_ptr>(&cinfo);
  if (!isValidSize(cinfo.image_width, cinfo.image_height)) {
    char text[64];
    std::snprintf(text, sizeof text, "Image size %ux%u is not supported.", cinfo.image_width, cinfo.image_height);
    jpegFail(common, u"MemoryImageFile::loadJPG", text);
  }
  image.width = static_cast<int32_t>(cinfo.image_width);
  image.height = static_cast<int32_t>(cinfo.image_height);
  if (image.flags & MemoryImageFile::kImageHeaderOnly) return true;
  if (cinfo.num_components != 3) jpegFail(common, u"MemoryImageFile::loadJPG", "Not implemented.");

  // Decoded straight into the pixel rows, already in their byte order.
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  image.allocatePixels(static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height));
  // All rows per call: libjpeg then upsamples without copying through a spare row.
  auto rows = static_cast<JSAMPARRAY>(cinfo.mem->alloc_small(common, JPOOL_IMAGE, sizeof(JSAMPROW) * image.height));
  for (int32_t y = 0; y < image.height; ++y)
    rows[y] = reinterpret_cast<JSAMPROW>(image.pImageData + size_t(y) * image.width);
  while (cinfo.output_scanline < cinfo.output_height)
    jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool encodeJpeg(jpeg_compress_struct& cinfo, JpegError& err, FILE* file, const MemoryImageFile& image, int quality) {
  if (setjmp(err.jump)) return false;
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  // The pixels go in as they are held; the alpha byte is ignored.
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(image.pImageData + size_t(cinfo.next_scanline) * image.width);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

MemoryImageFile::MemoryImageFile(uint32_t flags, std::u16string filename)
    : FileData((flags & kImageMayDelay) != 0, std::move(filename)), flags(flags) {
  // A deferred FileData has already checked that the file exists.
  if ((flags & kImageMayDelay) && zib->bEnableDelayedLoad) return;
  unpurge();
}

MemoryImageFile::MemoryImageFile(int32_t width, int32_t height) : FileData(false, u"") {
  ZIB_ASSERT(width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide);
  allocatePixels(width, height);
}

MemoryImageFile::~MemoryImageFile() {
  purge();
  if (filename.empty()) {
    ZIB_ASSERT(!bForeignData);
    freePixels();
  }
}

void MemoryImageFile::allocatePixels(int32_t newWidth, int32_t newHeight) {
  pImageData = new UColor[size_t(newWidth) * size_t(newHeight)];
  width = newWidth;
  height = newHeight;
  residentImageBytes += width * height * 4;
}

void MemoryImageFile::freePixels() {
  if (!pImageData) return;
  residentImageBytes -= width * height * 4;
  if (!bForeignData) delete[] pImageData;
  pImageData = nullptr;
}

void MemoryImageFile::unpurge() {
  if (pImageData || filename.empty()) return;
  load();
  if (filename.find(u".tga") != std::u16string::npos)
    loadTGA();
  else if (filename.find(u".bmp") != std::u16string::npos)
    loadBMP();
  else if (filename.find(u".jpg") != std::u16string::npos)
    loadJPG();
  else
    ZIB_ERROR(u"Unknown image format (%s).", filename);
  unload();
}

void MemoryImageFile::purge() {
  if (!filename.empty()) freePixels();
}

void MemoryImageFile::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode == MODE_PAUSED && newMode == MODE_FROZEN) purge();
}

void MemoryImageFile::loadTGA() {
  const uint8_t* file = block.data;
  constexpr uint32_t kHeaderSize = 18;
  if (block.size < kHeaderSize) ZIB_ERROR(u"TGA is truncated.");
  if (file[2] != 2) ZIB_ERROR(u"TGA is compressed.");
  // The sizes are unsigned: 65535 is too wide, not -1 wide.
  const int32_t w = readU16(file + 12);
  const int32_t h = readU16(file + 14);
  if (file[16] != 32) ZIB_ERROR(u"TGA depth is not 32 bits");
  if (file[17] & 0x20) ZIB_ERROR(u"TGA is flipped vertically.");
  if (!isValidSize(w, h)) ZIB_ERROR(u"Image size %dx%d is not supported.", w, h);
  if (flags & kImageHeaderOnly) {
    width = w;
    height = h;
    return;
  }
  const size_t rowBytes = size_t(w) * 4;
  if (kHeaderSize + rowBytes * h > block.size) ZIB_ERROR(u"TGA is truncated.");
  allocatePixels(w, h);
  // Rows are stored bottom-up.
  for (int32_t i = 0; i < h; ++i)
    std::memcpy(pImageData + size_t(h - 1 - i) * w, file + kHeaderSize + rowBytes * i, rowBytes);
}

void MemoryImageFile::loadBMP() {
  const uint8_t* file = block.data;
  if (block.size < 54) ZIB_ERROR(u"BMP is truncated.");
  if (readU16(file + 28) != 24) ZIB_ERROR(u"Only 24-bit BMPs are supported.");
  const int32_t w = static_cast<int32_t>(readU32(file + 18));
  const int32_t storedHeight = static_cast<int32_t>(readU32(file + 22));
  // A negative height marks rows stored top-down.
  const bool bottomUp = storedHeight > 0;
  const int64_t h = bottomUp ? storedHeight : -int64_t(storedHeight);
  if (!isValidSize(w, h)) ZIB_ERROR(u"Image size %dx%d is not supported.", w, storedHeight);
  const uint64_t pixelOffset = readU32(file + 10);
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  if (pixelOffset + uint64_t(stride) * h > block.size) ZIB_ERROR(u"BMP is truncated.");
  allocatePixels(w, static_cast<int32_t>(h));
  for (int32_t i = 0; i < height; ++i) {
    const uint8_t* src = file + pixelOffset + stride * i;
    UColor* dst = pImageData + size_t(bottomUp ? height - 1 - i : i) * w;
    for (int32_t x = 0; x < w; ++x, src += 3)
      dst[x] = 0xFF000000u | uint32_t(src[2]) << 16 | uint32_t(src[1]) << 8 | src[0];
  }
}

void MemoryImageFile::loadJPG() {
  jpeg_decompress_struct cinfo{};
  jpeg_source_mgr source{};
  JpegError err{};
  initJpegError(err);
  cinfo.err = &err.pub;
  const bool ok = decodeJpeg(cinfo, err, source, *this);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) {
    freePixels();
    reportError(err.function, __FILE__, __LINE__, fromUtf8(err.message));
  }
}

void MemoryImageFile::halveSize() {
  ZIB_LOG(u"Halving texture size (original size: %dx%d)", width, height);
  ZIB_ASSERT(!bForeignData);
  const int32_t oldWidth = width;
  UColor* const old = pImageData;
  pImageData = nullptr;
  residentImageBytes -= width * height * 4;
  allocatePixels(width / 2, height / 2);
  // Two bytes per 16-bit lane: four of them sum without carrying into the next.
  constexpr uint32_t kLanes = 0x00FF00FF;
  for (int32_t y = 0; y < height; ++y) {
    const UColor* top = old + size_t(2 * y) * oldWidth;
    const UColor* bottom = top + oldWidth;
    UColor* dst = pImageData + size_t(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      const UColor a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
      const uint32_t even = ((a & kLanes) + (b & kLanes) + (c & kLanes) + (d & kLanes)) >> 2 & kLanes;
      const uint32_t odd =
          ((a >> 8 & kLanes) + (b >> 8 & kLanes) + (c >> 8 & kLanes) + (d >> 8 & kLanes)) >> 2 & kLanes;
      dst[x] = even | odd << 8;
    }
  }
  delete[] old;
}

void MemoryImageFile::clear(const RectI* rect, bool white) {
  const RectI whole{0, 0, height, width};
  if (!rect) rect = &whole;
  ZIB_ASSERT(rect->left >= 0 && rect->top >= 0 && rect->right <= width && rect->bottom <= height);
  if (rect->width() <= 0) return;
  const UColor value = white ? 0x00FFFFFFu : 0u;
  for (int32_t y = rect->top; y < rect->bottom; ++y) {
    UColor* row = pImageData + size_t(y) * width;
    std::fill(row + rect->left, row + rect->right, value);
  }
}

void MemoryImageFile::blit(const MemoryImageFile* sourceData, const RectI* sourceRect, const PointI* destPoint) {
  const RectI whole{0, 0, sourceData->height, sourceData->width};
  const PointI origin{0, 0};
  if (!sourceRect) sourceRect = &whole;
  if (!destPoint) destPoint = &origin;
  ZIB_ASSERT(sourceRect->left >= 0 && sourceRect->top >= 0 && sourceRect->right <= sourceData->width && sourceRect->bottom <= sourceData->height);
  ZIB_ASSERT(destPoint->x >= 0 && destPoint->y >= 0 && destPoint->x + sourceRect->width() <= width && destPoint->y + sourceRect->height() <= height);
  if (sourceRect->width() <= 0) return;
  const size_t rowBytes = size_t(sourceRect->width()) * sizeof(UColor);
  for (int32_t y = sourceRect->top; y < sourceRect->bottom; ++y)
    std::memmove(pImageData + size_t(destPoint->y + y - sourceRect->top) * width + destPoint->x,
                 sourceData->pImageData + size_t(y) * sourceData->width + sourceRect->left, rowBytes);
}

void MemoryImageFile::ditherDiffusion12bpp() { ditherDiffusion(0xF0); }
void MemoryImageFile::ditherDiffusion15bpp() { ditherDiffusion(0xF8); }

void MemoryImageFile::ditherDiffusion(uint8_t mask) {
  ZIB_ASSERT(!bForeignData);
  // Error rows of blue, green, red sums; cell j is column j - 1, so both
  // edges have a guard cell. Sums are 8-bit and wrap.
  const size_t cells = (size_t(width) + 2) * 3;
  std::vector<uint8_t> current(cells), next(cells);
  auto at = [](std::vector<uint8_t>& row, int64_t column, int c) -> uint8_t& { return row[(column + 1) * 3 + c]; };
  for (int32_t y = 0; y < height; ++y) {
    UColor* row = pImageData + size_t(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      UColor pixel = row[x];
      for (int c = 0; c < 3; ++c) {
        const int shift = 8 * c;
        const int v = std::min(int(pixel >> shift & 0xFF) + (at(current, x, c) >> 4), 255);
        pixel = (pixel & ~(0xFFu << shift)) | uint32_t(v & mask) << shift;
        const uint8_t e = static_cast<uint8_t>(v & ~mask);
        at(current, x + 1, c) += static_cast<uint8_t>(7 * e);
        at(next, x - 1, c) += static_cast<uint8_t>(3 * e);
        at(next, x, c) += static_cast<uint8_t>(5 * e);
        at(next, x + 1, c) += e;
      }
      row[x] = pixel;
    }
    // What fell off the right edge of this row and the left edge of the next
    // goes to the next row's first pixel.
    for (int c = 0; c < 3; ++c) at(next, 0, c) += static_cast<uint8_t>(at(current, width, c) + at(next, -1, c));
    current.swap(next);
    std::fill(next.begin(), next.end(), 0);
  }
}

void MemoryImageFile::saveTGA(const std::u16string& path) const {
  FileStream out(path, FileStream::kWrite);
  if (!openedImageFile(out, ZIB_FUNCTION, path)) return;
  uint8_t header[18] = {};
  header[2] = 2;
  putU16(header + 12, static_cast<uint32_t>(width));
  putU16(header + 14, static_cast<uint32_t>(height));
  header[16] = 32;
  header[17] = 0x08;
  bool ok = out.write(header, sizeof header);
  for (int32_t y = height - 1; ok && y >= 0; --y) ok = out.write(pImageData + size_t(y) * width, size_t(width) * 4);
  closeImageFile(out, ok, ZIB_FUNCTION, path);
}

void MemoryImageFile::saveBMP(const std::u16string& path) const {
  FileStream out(path, FileStream::kWrite);
  if (!openedImageFile(out, ZIB_FUNCTION, path)) return;
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  uint8_t header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  putU32(header + 2, static_cast<uint32_t>(stride * height + 54));
  putU32(header + 10, 54);
  putU32(header + 14, 40);
  putU32(header + 18, static_cast<uint32_t>(width));
  putU32(header + 22, static_cast<uint32_t>(height));
  putU16(header + 26, 1);
  putU16(header + 28, 24);
  bool ok = out.write(header, sizeof header);
  std::vector<uint8_t> row(stride);
  for (int32_t y = height - 1; ok && y >= 0; --y) {
    const UColor* src = pImageData + size_t(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>(src[x]);
      row[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(src[x] >> 16);
    }
    ok = out.write(row.data(), stride);
  }
  closeImageFile(out, ok, ZIB_FUNCTION, path);
}

void MemoryImageFile::saveJPG(int quality, const std::u16string& path) const {
  FileStream out(path, FileStream::kWrite);
  if (!openedImageFile(out, ZIB_FUNCTION, path)) return;
  jpeg_compress_struct cinfo{};
  JpegError err{};
  initJpegError(err);
  cinfo.err = &err.pub;
  const bool ok = encodeJpeg(cinfo, err, out.file, *this, quality);
  jpeg_destroy_compress(&cinfo);
  closeImageFile(out, ok, ZIB_FUNCTION, path);
  if (!ok) reportError(err.function, __FILE__, __LINE__, fromUtf8(err.message));
}
