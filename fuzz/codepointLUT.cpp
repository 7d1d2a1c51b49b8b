// Feeds arbitrary bytes as a code page's lookup table to a glyph font.
#include <cstddef>
#include <cstdint>

#include "engine/FileData.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/FontQuadSymbol.h"
#include "graphics/text/TextLanguage.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  static Texture* page = [] {
    fuzzEnsureGraphics();
    auto* texture = new Texture(256, 256, 0);
    for (int32_t i = 1; i < 300; ++i) {
      auto* quad = new Quad();
      quad->pTexture = texture;
      quad->setTextureRect(0, 0, 8, 1 + i % 8);
      texture->skins.push_back(quad);
    }
    return texture;
  }();
  const std::u16string path = fuzzWriteInput(data, size, "input.codepointLUT.bin");
  TextLanguage::current.codePage = u"Japanese";
  delete zib->pResourceManager;
  zib->pResourceManager = new ResourceManager();
  auto* file = new FileData(false, path);
  zib->pResourceManager->addResource(file, u"Japanese.codepointLUT");
  {
    FontQuad font;
    fuzzCatchFatal([&] {
      font.addSourceTexture(page, 0);
      font.calcTextWidth(true, nullptr, 0, u"\u3042\u30A2abc");
    });
  }
  delete file;
  return 0;
}
