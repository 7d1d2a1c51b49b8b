// Checks the data archive the build packs: every image decodes, TGAs have the
// layout the reader expects, and each image has a skin description cache of
// the right length whose skins have an area inside the image.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "app/Loader.h"
#include "app/MenuButton.h"
#include "app/ProgressBar.h"
#include "frontend/TitleScreen.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "engine/ResourceManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Texture.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/FontQuadSymbol.h"
#include "localisation/Language.h"
#include "platform/Audio.h"
#include "support/GraphicsFixture.h"

namespace {

bool isImage(const std::u16string& name) {
  return name.ends_with(u".tga") || name.ends_with(u".bmp") || name.ends_with(u".jpg");
}

int32_t readInt(const ByteBuffer& bytes, size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data + at, sizeof value);
  return value;
}

class AssetCheckTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    zib->pFileManager = new FileManager();
    // The data archive, the fonts and the languages, as the program mounts them.
    for (const char16_t* name : {u"Skerrion2demo.dat", u"fonts.dat", u"en.language.v2"})
      zib->pFileManager->useWad(fromUtf8(ZIB_BIN_DIR) + u"/" + name);
  }
};

TEST_F(AssetCheckTest, EveryPackedImageDecodesAndHasASoundSkinDescriptionCache) {
  FileManager& files = *zib->pFileManager;
  for (const auto& [name, entry] : files.wadEntries) {
    SCOPED_TRACE(toUtf8(name));
    if (name.ends_with(u".ini")) {
      EXPECT_TRUE(files.existsInWad(name + u".preload"));
    } else if (name.ends_with(u".ini.preload")) {
      EXPECT_TRUE(files.existsInWad(name.substr(0, name.size() - 12)));
    }
    if (!isImage(name)) continue;

    const FileData raw(false, name);
    const bool bTga = name.ends_with(u".tga");
    if (bTga) {
      // Uncompressed, 32 bits, bottom-up, pixels right after the 18-byte header and nothing else.
      ASSERT_GE(raw.block.size, 18u);
      const uint8_t* h = raw.block.data;
      EXPECT_EQ(h[0], 0);
      EXPECT_EQ(h[2], 2);
      EXPECT_EQ(h[16], 32);
      EXPECT_EQ(h[17] & 0x20, 0);
      EXPECT_EQ(raw.block.size, 18u + (h[12] | h[13] << 8) * (h[14] | h[15] << 8) * 4u);
    }
    const MemoryImageFile image(0, name);

    ASSERT_TRUE(files.existsInWad(name + u".ini.preload"));
    const FileData cache(false, name + u".ini.preload");
    ASSERT_GE(cache.block.size, sizeof(Texture::SkinCacheHeader));
    const int32_t count = readInt(cache.block, 16);
    EXPECT_EQ(readInt(cache.block, 0), 1);
    EXPECT_EQ(readInt(cache.block, 4), image.width);
    EXPECT_EQ(readInt(cache.block, 8), image.height);
    EXPECT_EQ(cache.block.data[12], bTga ? 1 : 0);
    EXPECT_GE(count, 1);
    ASSERT_EQ(cache.block.size, 20u + 24u * uint32_t(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) {
      const int32_t left = readInt(cache.block, 20 + 24 * i), top = readInt(cache.block, 24 + 24 * i);
      const int32_t w = readInt(cache.block, 28 + 24 * i), h = readInt(cache.block, 32 + 24 * i);
      EXPECT_TRUE(left >= 0 && top >= 0 && w > 0 && h > 0 && left + w <= image.width && top + h <= image.height)
          << "skin " << i << ": " << left << "," << top << " " << w << "x" << h;
    }
  }
}

TEST_F(AssetCheckTest, EveryPackedSoundDecodes) {
  platform.offlineAudio();
  ASSERT_TRUE(BASS_Init(0, 22050, 0, nullptr, nullptr));
  int32_t sounds = 0;
  for (const auto& [name, entry] : zib->pFileManager->wadEntries) {
    if (!name.ends_with(u".wav") && !name.ends_with(u".ogg")) continue;
    ++sounds;
    FileData file(false, name);
    const HSTREAM stream = BASS_StreamCreateFile(true, file.block.data, 0, file.block.size, 0);
    EXPECT_NE(stream, 0u) << toUtf8(name);
    EXPECT_GT(BASS_ChannelGetLength(stream, BASS_POS_BYTE), 0u) << toUtf8(name);
    BASS_StreamFree(stream);
  }
  EXPECT_GE(sounds, 4);
}

TEST_F(AssetCheckTest, TheLoaderRegistersThePackedResourcesAndTheTitleShowsItsPicture) {
  makeGraphics();
  delete zib->pFileManager;  // nothing mounted: the program's own steps mount every archive
  zib->pFileManager = new FileManager();
  GameGlobal global;
  global.initPreLoader();
  ContextManager& manager = *global.pContextManager;
  manager.frameTick(0, 0);  // the settings, a frame with the bar empty, then one step a frame without the engine clock
  manager.frameTick(0, 0);
  ProgressBar& bar = *global.pProgressBar;
  EXPECT_EQ(bar.pFill->scale.x, 0.0f);
  manager.frameTick(0, 0);
  EXPECT_GT(bar.pFill->scale.x, 0.0f);
  EXPECT_LT(bar.pFill->scale.x, 1.0f);
  const float frameLeft = bar.pFrame->position.x - bar.pFrame->pSkin->width / 2;
  const float fillLeft = bar.pFill->position.x - bar.pFill->pSkin->width * bar.pFill->scale.x / 2;
  EXPECT_FLOAT_EQ(fillLeft, frameLeft) << "the fill grows from the frame's left edge";
  for (int frame = 0; frame < 50 && manager.getTop()->getClass() != &TitleScreen::classInfo; ++frame)
    manager.frameTick(0, 0);
  const auto* title = static_cast<TitleScreen*>(manager.getTop());
  ASSERT_EQ(title->getClass(), &TitleScreen::classInfo);
  EXPECT_FLOAT_EQ(bar.pFill->scale.x, 1.0f);
  ASSERT_NE(title->pPicture, nullptr);
  EXPECT_NE(manager.pSharedBackground, nullptr);
  auto* picture = static_cast<Texture*>(zib->pResourceManager->find(true, u"titleTex"));
  EXPECT_EQ(picture->dxTexture, nullptr);  // the pixels are read when first drawn
  manager.frameRender();
  EXPECT_NE(picture->dxTexture, nullptr);
  for (const char16_t* name : {u"backgroundGrid", u"buttonSkin", u"buttonPressedSkin", u"titleText", u"titleMusic",
                               u"fontHUDTex"})
    EXPECT_NE(zib->pResourceManager->find(false, name), nullptr) << toUtf8(name);
  for (const char16_t* name : {u"clickSnd", u"shotSnd", u"explosionSnd"}) {
    const auto* sound = static_cast<Sound*>(zib->pResourceManager->find(true, name));
    EXPECT_LT(sound->pitchMin, sound->pitchMax) << toUtf8(name) << ": effects vary their pitch";
  }
  // The baked fonts: every slot of the code page, composed accents, the HUD from the comma.
  for (const char16_t* name : {u"fontTiny", u"fontSmall", u"fontMedium", u"fontLarge"}) {
    SCOPED_TRACE(toUtf8(name));
    auto* font = static_cast<FontQuad*>(zib->pResourceManager->find(true, name));
    EXPECT_EQ(font->nextSymbolToLoad, 256);
    EXPECT_GT(font->fontHeightRaw, 8);
    EXPECT_GT(font->fontBaselineRaw, font->fontUppercaseLineRaw);
    EXPECT_LT(font->fontUppercaseLineRaw, font->fontLowercaseLineRaw);
    EXPECT_NE(font->getSymbol(0xE9)->pAccentQuad, nullptr);  // é
    EXPECT_EQ(font->getSymbol(0xE9)->pBaseQuad, font->getSymbol(u'e')->pBaseQuad);
    EXPECT_GT(font->calcTextWidth(false, nullptr, 0, u"Hello").x, 5 * 3);
    font->drawText(0, 0, 0, 0xFFFFFFFF, 0, u"Hello");
    EXPECT_NE(font->pFontCache->findText(u"Hello"), nullptr);
  }
  auto* hud = static_cast<FontQuad*>(zib->pResourceManager->find(true, u"fontHUD"));
  EXPECT_NE(hud->getSymbol(u',')->pBaseQuad, nullptr);
  EXPECT_NE(hud->getSymbol(u'Z')->pBaseQuad, nullptr);
  EXPECT_EQ(hud->getSymbol(u'a')->pBaseQuad, nullptr);
}

TEST_F(AssetCheckTest, InGermanEveryButtonOfTheTitleReadsGerman) {
  makeGraphics();
  zib->pLanguage = new Language();
  zib->defaultLanguage = 1;
  zib->pFileManager->useWad(fromUtf8(ZIB_BIN_DIR) + u"/de.language.v2");
  GameGlobal global;
  global.initPreLoader();
  ContextManager& manager = *global.pContextManager;
  for (int frame = 0; frame < 50 && manager.getTop()->getClass() != &TitleScreen::classInfo; ++frame)
    manager.frameTick(0, 0);
  auto* title = static_cast<TitleScreen*>(manager.getTop());
  ASSERT_EQ(title->getClass(), &TitleScreen::classInfo);
  const auto& english = zib->pLanguage->tables[0];
  const auto& german = zib->pLanguage->tables[1];
  ASSERT_GE(title->items.size(), 2u);
  for (const auto& item : title->items) {
    const auto* button = dynamic_cast<MenuButton*>(item->target);
    ASSERT_NE(button, nullptr);
    SCOPED_TRACE(toUtf8(button->label));
    EXPECT_NE(std::find(german.begin(), german.end(), button->label), german.end()) << "from the German table";
    EXPECT_EQ(std::find(english.begin(), english.end(), button->label), english.end()) << "not English";
  }
}

}  // namespace
