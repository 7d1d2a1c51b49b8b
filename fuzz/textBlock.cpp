// Wraps texts of tags, bars, spaces and letters at random widths, in both
// reading orders. Byte 0: the width; byte 1: the reading order; then one
// character per byte from a small alphabet that makes tags likely.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextBlock.h"
#include "graphics/text/TextLanguage.h"
#include "support/FuzzSupport.h"

namespace {

FontQuad* font() {
  static FontQuad* instance = [] {
    fuzzEnsureGraphics();
    auto* page = new Texture(256, 256, 0);
    for (Skin* skin : page->skins) delete skin;
    page->skins.clear();
    for (int32_t i = 0; i < 128; ++i) {
      auto* quad = new Quad();
      quad->pTexture = page;
      const int32_t w = 1 + i % 7;
      quad->setTextureRect((i % 16) * 16, (i / 16) * 16, (i / 16) * 16 + 12, (i % 16) * 16 + w);
      page->skins.push_back(quad);
    }
    auto* font = new FontQuad();
    font->addSourceTexture(page, 0);
    font->onPresentationRestored();
    return font;
  }();
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  static constexpr char16_t kAlphabet[] = u"ab |\x1e{}0123456789ABCDEFfx- \x1e\x1e||  {000001}{FF0000}";
  FontQuad* f = font();
  if (size < 2) return 0;
  const float width = static_cast<float>(data[0]);
  TextLanguage::current.bRightToLeft = data[1] & 1;
  std::u16string text;
  for (size_t i = 2; i < size; ++i) text.push_back(kAlphabet[data[i] % (sizeof(kAlphabet) / 2 - 1)]);
  fuzzCatchFatal([&] {
    TextBlock block(f, width, -1, text);
    // Whatever the text, the block has a row.
    size_t kept = 0;
    for (BasicLink* row = block.firstChild; row; row = row->next) ++kept;
    if (kept == 0) __builtin_trap();
  });
  return 0;
}
