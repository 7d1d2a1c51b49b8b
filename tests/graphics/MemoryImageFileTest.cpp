#include "graphics/MemoryImageFile.h"

#include <jpeglib.h>

#include <cmath>
#include <fstream>
#include <set>
#include <tuple>

#include "engine/Zib.h"
#include "support/EngineFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v);
  put16(b, at + 2, v >> 16);
}

// An uncompressed 32-bit TGA header followed by `pixelBytes` bytes of 0x11.
Bytes tgaFile(int w, int h, size_t pixelBytes) {
  Bytes b(18 + pixelBytes, 0x11);
  std::fill(b.begin(), b.begin() + 18, 0);
  b[2] = 2;
  put16(b, 12, uint32_t(w));
  put16(b, 14, uint32_t(h));
  b[16] = 32;
  b[17] = 0x08;
  return b;
}

// A 24-bit BMP whose pixel (x, y), y counted from the top, is blue x, green y, red 7.
Bytes bmpFile(int w, int h, bool topDown) {
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  Bytes b(54 + stride * h, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, uint32_t(w));
  put32(b, 22, uint32_t(topDown ? -h : h));
  put16(b, 28, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &b[54 + stride * (topDown ? y : h - 1 - y) + 3 * x];
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 7;
    }
  return b;
}

// A greyscale JPEG made with libjpeg itself.
Bytes greyJpeg() {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = c.image_height = 8;
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  uint8_t row[8] = {};
  for (JSAMPROW r = row; c.next_scanline < 8;) jpeg_write_scanlines(&c, &r, 1);
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes b(out, out + size);
  free(out);
  return b;
}

}  // namespace

class MemoryImageFileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    useDiskFiles();
    baseline = residentImageBytes;
  }
  void TearDown() override {
    EXPECT_EQ(residentImageBytes, baseline);
    EngineTest::TearDown();
  }

  std::u16string path(const std::string& name) const { return fromUtf8((dataHome.path() / name).string()); }
  std::u16string write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(dataHome.path() / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path(name);
  }
  Bytes read(const std::u16string& file) const {
    const std::string s = readFile(toUtf8(file));
    return Bytes(s.begin(), s.end());
  }
  // A memory image whose every pixel is distinct, alpha included.
  static std::unique_ptr<MemoryImageFile> pattern(int w, int h) {
    auto image = std::make_unique<MemoryImageFile>(w, h);
    for (int i = 0; i < w * h; ++i) image->pImageData[i] = 0x01020304u * uint32_t(i + 1) ^ 0x80402010u;
    return image;
  }
  static std::vector<UColor> pixels(const MemoryImageFile& image) {
    return {image.pImageData, image.pImageData + size_t(image.width) * image.height};
  }

  int32_t baseline = 0;
};

TEST_F(MemoryImageFileTest, TgaAndBmpRoundTripExactly) {
  for (int w : {1, 4, 5}) {
    const auto source = pattern(w, 3);
    source->saveTGA(path("a.tga"));
    source->saveBMP(path("a.bmp"));
    const Bytes tga = read(path("a.tga"));
    EXPECT_EQ(tga[17], 0x08);
    const Bytes bmp = read(path("a.bmp"));
    EXPECT_EQ(bmp.size(), 54u + (w == 1 ? 4 : w == 4 ? 12 : 16) * 3);  // rows padded to 4 bytes

    MemoryImageFile fromTga(0, path("a.tga"));
    EXPECT_EQ(pixels(fromTga), pixels(*source));
    EXPECT_EQ(residentImageBytes, baseline + 2 * w * 3 * 4);
    MemoryImageFile fromBmp(0, path("a.bmp"));
    std::vector<UColor> opaque = pixels(*source);
    for (UColor& p : opaque) p |= 0xFF000000u;
    EXPECT_EQ(pixels(fromBmp), opaque);
    EXPECT_EQ(fromBmp.block.size, 0u);  // the raw file is dropped once decoded
  }
}

TEST_F(MemoryImageFileTest, ReadsBothBmpRowOrdersAndOddTgas) {
  for (bool topDown : {false, true}) {
    MemoryImageFile image(0, write("rows.bmp", bmpFile(3, 2, topDown)));
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pImageData[0], 0xFF070000u);
    EXPECT_EQ(image.pImageData[5], 0xFF070102u);
  }
  // A non-zero ID length is ignored: pixels start at 18. Both ".tga" and ".bmp" in the name: TGA.
  Bytes tga = tgaFile(1, 1, 4);
  tga[0] = 9;
  MemoryImageFile image(0, write("both.bmp.tga", tga));
  EXPECT_EQ(image.pImageData[0], 0x11111111u);
}

TEST_F(MemoryImageFileTest, HeaderOnlyLoadsDecodeNoPixels) {
  pattern(6, 2)->saveJPG(90, path("h.jpg"));
  write("h.tga", tgaFile(7, 3, 7 * 3 * 4));
  for (auto [name, w, h] : {std::tuple{"h.jpg", 6, 2}, {"h.tga", 7, 3}}) {
    MemoryImageFile image(MemoryImageFile::kImageHeaderOnly, path(name));
    EXPECT_EQ(image.width, w);
    EXPECT_EQ(image.height, h);
    EXPECT_EQ(image.pImageData, nullptr);
    EXPECT_EQ(residentImageBytes, baseline);
  }
}

TEST_F(MemoryImageFileTest, JpegRoundTripKeepsASmoothImage) {
  MemoryImageFile source(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) source.pImageData[y * 64 + x] = 0x10000000u | (x * 4) << 16 | (y * 5) << 8 | (x + y);
  source.saveJPG(90, path("smooth.jpg"));
  MemoryImageFile image(0, path("smooth.jpg"));
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 48);
  double squares = 0;
  for (int i = 0; i < 64 * 48; ++i) {
    EXPECT_EQ(image.pImageData[i] >> 24, 0xFFu);
    for (int shift : {0, 8, 16}) {
      const double d = double(image.pImageData[i] >> shift & 0xFF) - double(source.pImageData[i] >> shift & 0xFF);
      squares += d * d;
    }
  }
  EXPECT_GT(10 * std::log10(255.0 * 255.0 / (squares / (64 * 48 * 3))), 30.0);
}

TEST_F(MemoryImageFileTest, DamagedFilesAreFatal) {
  const auto patched = [](Bytes b, size_t at, uint8_t value) { return b[at] = value, b; };
  const std::vector<std::pair<Bytes, const char*>> tgas = {
      {Bytes(17, 0), "TGA is truncated."},
      {tgaFile(2, 2, 15), "TGA is truncated."},
      {tgaFile(0, 2, 0), "Image size 0x2 is not supported."},
      {tgaFile(65535, 65535, 64), "Image size 65535x65535 is not supported."},
      {tgaFile(16385, 1, 0), "Image size 16385x1 is not supported."},
      {patched(tgaFile(1, 1, 4), 2, 10), "TGA is compressed."},
      {patched(tgaFile(1, 1, 4), 16, 24), "TGA depth is not 32 bits"},
      {patched(tgaFile(1, 1, 4), 17, 0x28), "TGA is flipped vertically."},
  };
  for (const auto& [bytes, message] : tgas) EXPECT_FATAL(MemoryImageFile(0, write("bad.tga", bytes)), message);

  Bytes bmp = bmpFile(2, 2, false);
  EXPECT_FATAL(MemoryImageFile(0, write("bad.bmp", Bytes(bmp.begin(), bmp.end() - 1))), "BMP is truncated.");
  EXPECT_FATAL(MemoryImageFile(0, write("bad.bmp", Bytes(bmp.begin(), bmp.begin() + 40))), "BMP is truncated.");
  put32(bmp, 10, 0xFFFFFFF0u);
  EXPECT_FATAL(MemoryImageFile(0, write("bad.bmp", bmp)), "BMP is truncated.");
  for (auto [w, h] : {std::pair{0u, 2u}, {0xFFFFFFFEu, 2u}, {2u, 0x80000000u}, {0x7FFFFFFFu, 0x7FFFFFFFu}}) {
    put32(bmp, 18, w), put32(bmp, 22, h);
    EXPECT_FATAL(MemoryImageFile(0, write("bad.bmp", bmp)), "is not supported.");
  }
  put16(bmp, 28, 32);
  EXPECT_FATAL(MemoryImageFile(0, write("bad.bmp", bmp)), "Only 24-bit BMPs are supported.");

  EXPECT_FATAL(MemoryImageFile(0, write("grey.jpg", greyJpeg())), "Not implemented.");
  pattern(16, 16)->saveJPG(80, path("whole.jpg"));
  const Bytes jpg = read(path("whole.jpg"));
  EXPECT_FATAL(MemoryImageFile(0, write("cut.jpg", Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2))),
               "Should not ever be called.");
  EXPECT_FATAL(MemoryImageFile(0, write("junk.jpg", Bytes(100, 0x42))), "Function: my_error_exit()");
  EXPECT_FATAL(MemoryImageFile(0, write("x.png", tgaFile(1, 1, 4))), "Unknown image format (");
}

TEST_F(MemoryImageFileTest, HalvesByBoxFilter) {
  MemoryImageFile image(5, 3);
  for (int i = 0; i < 15; ++i) image.pImageData[i] = 0xFF000000u | uint32_t(i) * 0x00010203u;
  image.halveSize();
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 1);
  EXPECT_EQ(residentImageBytes, baseline + 2 * 4);
  // Pixels 0, 1, 5 and 6: each byte (0 + 1 + 5 + 6) x k / 4, rounded down.
  EXPECT_EQ(image.pImageData[0], 0xFF030609u);
  EXPECT_EQ(image.pImageData[1], 0xFF050A0Fu);
}

TEST_F(MemoryImageFileTest, ClearAndBlitCopyRectanglesWithinBounds) {
  const auto source = pattern(4, 4);
  MemoryImageFile image(5, 5);
  image.clear(nullptr, false);
  const RectI inner{1, 2, 4, 3};
  image.clear(&inner, true);
  EXPECT_EQ(image.pImageData[2 * 5 + 1], 0x00FFFFFFu);
  EXPECT_EQ(image.pImageData[3 * 5 + 2], 0x00FFFFFFu);
  EXPECT_EQ(image.pImageData[3 * 5 + 3], 0u);

  const PointI at{3, 1};
  const RectI part{1, 2, 4, 3};  // columns 1..2, rows 2..3
  image.blit(source.get(), &part, &at);
  EXPECT_EQ(image.pImageData[1 * 5 + 3], source->pImageData[2 * 4 + 1]);
  EXPECT_EQ(image.pImageData[2 * 5 + 4], source->pImageData[3 * 4 + 2]);
  image.blit(source.get(), nullptr, nullptr);
  EXPECT_EQ(image.pImageData[3 * 5 + 3], source->pImageData[15]);
  EXPECT_EQ(image.pImageData[3 * 5 + 4], 0u);

  const RectI outside{3, 0, 4, 5};
  EXPECT_FATAL(image.blit(source.get(), &outside, nullptr), "sourceRect->right <= sourceData->width");
  const PointI tooFar{2, 0};
  EXPECT_FATAL(image.blit(source.get(), nullptr, &tooFar), "destPoint->x + sourceRect->width() <= width");
  const RectI tooLow{0, 0, 6, 1};
  EXPECT_FATAL(image.clear(&tooLow, false), "Assertion failed.");
}

TEST_F(MemoryImageFileTest, DitheringKeepsTheTopBitsAndTheAverage) {
  MemoryImageFile image(16, 16);
  std::fill_n(image.pImageData, 256, 0x5A787878u);
  image.ditherDiffusion12bpp();
  std::set<UColor> seen(image.pImageData, image.pImageData + 256);
  int sum = 0;
  for (UColor p : seen) {
    EXPECT_EQ(p >> 24, 0x5Au);
    for (int shift : {0, 8, 16}) EXPECT_TRUE((p >> shift & 0xFF) == 0x70 || (p >> shift & 0xFF) == 0x80);
  }
  for (int i = 0; i < 256; ++i) sum += image.pImageData[i] & 0xFF;
  EXPECT_NEAR(sum / 256.0, 0x78, 2.0);

  for (int i = 0; i < 256; ++i) image.pImageData[i] = 0x12000000u | uint32_t(i % 16) * 0x00101010u;
  const std::vector<UColor> aligned = pixels(image);
  image.ditherDiffusion12bpp();
  EXPECT_EQ(pixels(image), aligned);
  // Errors falling off the right edge and the left edge both reach the next row's first pixel.
  MemoryImageFile square(2, 2);
  std::fill_n(square.pImageData, 4, 0x00080808u);
  square.ditherDiffusion12bpp();
  EXPECT_EQ(pixels(square), (std::vector<UColor>{0, 0, 0x00101010u, 0}));

  std::fill_n(image.pImageData, 256, 0xFF7B7B7Bu);
  image.ditherDiffusion15bpp();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(image.pImageData[i] & 0x00070707u, 0u);
}

TEST_F(MemoryImageFileTest, PurgeAndUnpurgeFollowTheEngineModes) {
  pattern(3, 2)->saveTGA(path("p.tga"));
  MemoryImageFile image(0, path("p.tga"));
  const std::vector<UColor> decoded = pixels(image);
  image.onZIBmodeChange(MODE_OK, MODE_PAUSED);
  image.onZIBmodeChange(MODE_FROZEN, MODE_PAUSED);
  ASSERT_NE(image.pImageData, nullptr);
  image.onZIBmodeChange(MODE_PAUSED, MODE_FROZEN);
  EXPECT_EQ(image.pImageData, nullptr);
  EXPECT_EQ(residentImageBytes, baseline);
  image.unpurge();
  EXPECT_EQ(pixels(image), decoded);
  EXPECT_EQ(residentImageBytes, baseline + 24);

  MemoryImageFile blank(2, 2);
  blank.purge();
  EXPECT_NE(blank.pImageData, nullptr);

  zib->bEnableDelayedLoad = true;
  MemoryImageFile delayed(MemoryImageFile::kImageMayDelay, path("p.tga"));
  EXPECT_EQ(delayed.pImageData, nullptr);
  delayed.unpurge();
  EXPECT_EQ(pixels(delayed), decoded);
  EXPECT_FATAL(MemoryImageFile(MemoryImageFile::kImageMayDelay, path("missing.tga")), "missing.tga");
}

// A file that cannot be written whole, as on a full disk, is removed.
TEST_F(MemoryImageFileTest, WritersLogFilesTheyCannotOpenOrWriteWithTheReason) {
  const auto image = pattern(2, 2);
  image->saveTGA(path("no/such/a.tga"));
  image->saveBMP(path("no/such/a.bmp"));
  image->saveJPG(60, path("no/such/a.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dataHome.path() / "no"));
  {
    // Room for the log's lines, not for the pictures.
    const NoFileGrowth full(logText().size() + 4096);
    pattern(256, 256)->saveTGA(path("full.tga"));
    pattern(256, 256)->saveBMP(path("full.bmp"));
  }
  const std::string log = logText();
  for (auto [format, name] : {std::pair{"TGA", "a.tga"}, {"BMP", "a.bmp"}, {"JPG", "a.jpg"}})
    EXPECT_NE(log.find(std::string("MemoryImageFile::save") + format + "(): Could not open " +
                       toUtf8(path(std::string("no/such/") + name)) + " for writing: No such file or directory"),
              std::string::npos);
  for (auto [format, name] : {std::pair{"TGA", "full.tga"}, {"BMP", "full.bmp"}}) {
    EXPECT_NE(log.find(std::string("MemoryImageFile::save") + format + "(): Could not write " + toUtf8(path(name)) +
                       ": File too large"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dataHome.path() / name));
  }
}
