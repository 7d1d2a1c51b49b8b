#include "support/FakeTextRaster.h"

#include <algorithm>
#include <memory>

#include "platform/TextRaster.h"
#include "platform/freetype/FreeTypeRaster.h"
#include "support/TestPlatform.h"

namespace {

class FakeTextRasterFont : public TextRasterFont {
 public:
  explicit FakeTextRasterFont(int32_t height) : height(height) {}
  std::u16string familyName() const override { return u"Fake"; }
  TextExtent getTextExtent(std::u16string_view text) override {
    return {static_cast<int32_t>(text.size()) * 10, height};
  }
  AbcWidths getCharABCWidths(char32_t c) override { return {c == U'L' ? -3 : 1, 8, c == U'R' ? -2 : 1}; }
  void textOut(uint32_t* pixels, int32_t width, int32_t h, int32_t x, int32_t y, std::u16string_view text) override {
    for (size_t i = 0; i < text.size(); ++i) {
      const int32_t column = x + 10 * static_cast<int32_t>(i);
      if (column < 0 || column >= width) continue;
      for (int32_t row = std::max(y, 0); row < std::min(y + height, h); ++row) pixels[row * width + column] = 0xFFFFFF;
    }
  }

 private:
  int32_t height;
};

std::unique_ptr<TextRasterFont> openFake(const std::u16string&, int32_t height) {
  return std::make_unique<FakeTextRasterFont>(height);
}

}  // namespace

void useFakeTextRaster(TestPlatform& platform) {
  registerTextRasterBackend(&openFake);
  platform.onRestore([] { registerTextRasterBackend(&openFreeTypeFont); });
}
