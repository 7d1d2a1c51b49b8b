// Reads arbitrary text as the skin description of a glyph page and feeds the
// page to a glyph font: slots, composites, measuring and the font cache set-up.
#include <cstddef>
#include <cstdint>

#include "engine/FileManager.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Texture.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextLanguage.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  static std::u16string imagePath = [] {
    fuzzEnsureGraphics();
    const uint8_t none = 0;
    std::u16string path = fuzzWriteInput(&none, 0, "page.tga");
    MemoryImageFile image(64, 64);
    image.clear(nullptr, true);
    image.saveTGA(path);
    zib->pFileManager->bUseWad = false;
    return path;
  }();
  fuzzWriteInput(data, size, "page.tga.ini");
  TextLanguage::current = TextLanguage();
  fuzzCatchFatal([&] {
    Texture page(Texture::kKeepSource, imagePath);
    FontQuad font;
    font.fontUppercaseLineRaw = 3;
    font.addSourceTexture(&page, 0x20);
    font.setupCompositeChars();
    font.calcTextWidth(true, nullptr, 0, u"Az\u00C9\u00E9 \u00FF");
    font.createFontCache();
  });
  return 0;
}
