#include "app/Loader.h"

#include "app/ContextManager.h"
#include "app/TitleScreen.h"
#include "engine/ByteBuffer.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "base/Format.h"
#include "engine/MemoryIniFile.h"
#include "engine/ResourceManager.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "engine/audio/SoundStream.h"
#include "frontend/ContextLanguageSelect.h"
#include "graphics/Renderable.h"
#include "graphics/Skin.h"
#include "graphics/Texture.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextLanguage.h"
#include "localisation/Language.h"

namespace {

void loadTexture(const char16_t* name, const char16_t* fileName) {
  zib->pResourceManager->addResource(new Texture(0, fileName), name);
}

// The folder the font files sit in: the data archive's root.
constexpr char16_t kFontPrefix[] = u"";

// A font's settings section, as the baking tool wrote it.
void applyFontSettings(FontQuad& font, const std::u16string& name) {
  const FileData file(false, u"gfx/font/fonts.settings");
  ByteBuffer bytes;
  bytes.append(file.block.data, file.block.size);
  MemoryIniFile settings(bytes);
  const auto setting = [&](const char16_t* key, int32_t& field) {
    if (settings.hasKey(name, key)) field = settings.getInt(name, key);
  };
  setting(u"spaceWidth", font.spaceWidth);
  setting(u"glyphSpacing", font.glyphSpacing);
  setting(u"fontUppercaseLineRaw", font.fontUppercaseLineRaw);
  setting(u"fontLowercaseLineRaw", font.fontLowercaseLineRaw);
}

Sound* loadSound(const char16_t* name, const char16_t* fileName, uint32_t maxPlaybacks, float pitchMax) {
  auto* sound = new Sound(0, maxPlaybacks, fileName);
  sound->pitchMin = 0;
  sound->pitchMax = pitchMax;
  zib->pResourceManager->addResource(sound, name);
  return sound;
}

}  // namespace

Loader::Loader(ContextManager* manager) : manager(manager) {
  bDeleteWhenFinished = 1;
  loadSteps = {
      [] { loadTexture(u"progressBarTex", u"gfx/progressbar.tga"); },
      [] { loadTexture(u"titleTex", u"gfx/title.tga"); },
      [] {
        loadSound(u"clickSnd", u"sfx/click.wav", 2, 0.1f)->minRepeatInterval = 0.05;
        loadSound(u"shotSnd", u"sfx/shot.wav", 3, 0.5f);
        loadSound(u"explosionSnd", u"sfx/explosion.wav", 3, 0.3f)->minRepeatInterval = 0.1;
      },
      [] { zib->pResourceManager->addResource(new SoundStream(1, u"music/title.ogg"), u"titleMusic"); },
      [] { loadFont(u"fontTiny"); },
      [] { loadFont(u"fontSmall"); },
      [] { loadFont(u"fontMedium"); },
      [] { loadFont(u"fontLarge"); },
      [] { loadHudFont(); },
  };
}

void Loader::fontRes(const std::u16string& name) {
  FileManager& files = *zib->pFileManager;
  ResourceManager& resources = *zib->pResourceManager;
  // The glyph textures keep their pixels: the font cache blits glyphs out of them.
  for (int32_t n = 1;; ++n) {
    const std::u16string path = formatString(u"%sgfx/font/%s/%s-%d.tga", kFontPrefix, name, name, n);
    if (!files.exists(path)) break;
    resources.addResource(new Texture(Texture::kKeepSource, path), formatString(u"%s%d", name, n));
  }
  for (int32_t n = 1;; ++n) {
    const std::u16string path = formatString(u"%sgfx/font/%s/extra-%s-%d.tga", kFontPrefix, name, name, n);
    if (!files.exists(path)) break;
    resources.addResource(new Texture(Texture::kKeepSource, path), formatString(u"%sExtra%d", name, n));
  }
  const std::u16string& codePage = TextLanguage::current.codePage;
  const std::u16string lut = formatString(u"%sgfx/font/%s/%s.codepointLUT.bin", kFontPrefix, name, codePage);
  const std::u16string lutName = formatString(u"%s.codepointLUT", codePage);
  if (files.exists(lut) && !resources.find(false, lutName)) resources.addResource(new FileData(false, lut), lutName);
}

void Loader::loadFont(const std::u16string& name) {
  fontRes(name);
  auto* font = new FontQuad();
  applyFontSettings(*font, name);
  font->addSourceTextures(name);
  font->onGlyphsLoaded();
  font->setupCompositeChars();
  font->enablePixelAlignment();
  font->createFontCache();
  zib->pResourceManager->addResource(font, name);
}

void Loader::loadHudFont() {
  auto* texture = new Texture(Texture::kKeepSource, u"gfx/font/alphabet-hud.tga");
  zib->pResourceManager->addResource(texture, u"fontHUDTex");
  auto* font = new FontQuad();
  font->fontName = u"fontHUD";
  applyFontSettings(*font, font->fontName);
  font->addSourceTexture(texture, 44);
  font->createFontCache();
  zib->pResourceManager->addResource(font, u"fontHUD");
}

void Loader::setupLanguage() {
  if (zib->defaultLanguage == -2) zib->defaultLanguage = ContextLanguageSelect::autodetectLanguage();
  // A negative choice asks for the language-selection screen, which is not
  // there yet; setLanguage falls back to language 0 meanwhile.
  if (zib->pLanguage) zib->pLanguage->setLanguage(zib->defaultLanguage);
}

void Loader::showProgress() {
  if (!pBarFrame) {
    auto* texture = static_cast<Texture*>(zib->pResourceManager->find(false, u"progressBarTex"));
    if (!texture) return;
    // Skin 0 is the empty bar, skin 1 its fill, both centred below the middle.
    const Vector3 place(0, -160, 0);
    pBarFrame = new Renderable();
    pBarFill = new Renderable();
    appendChild(pBarFrame);
    appendChild(pBarFill);
    pBarFrame->setPlacement(texture->getSkin(0), &place, nullptr, nullptr, nullptr, nullptr);
    pBarFill->setPlacement(texture->getSkin(1), &place, nullptr, nullptr, nullptr, nullptr);
  }
  // The fill grows from the left edge of the frame.
  const float done = loadSteps.empty() ? 1.0f : static_cast<float>(nextStep) / static_cast<float>(loadSteps.size());
  const float width = static_cast<float>(pBarFill->pSkin->width);
  const Vector3 scale(done, 1, 1);
  const Vector3 place(-width * (1 - done) / 2, -160, 0);
  pBarFill->setPlacement(nullptr, &place, nullptr, &scale, nullptr, nullptr);
}

void Loader::tickContents(double, double) {
  // First, since the fonts take their glyph set from the language.
  if (!bLanguageSet) {
    setupLanguage();
    bLanguageSet = true;
  }
  // Without the engine clock every frame loads one step.
  TimeKeeper* const clock = zib->pTimeKeeper;
  const double start = clock ? clock->getElapsedTime() : 0.0;
  while (nextStep < loadSteps.size()) {
    loadSteps[nextStep++]();
    if (!clock || clock->getElapsedTime() - start >= kSliceSeconds) {
      showProgress();
      return;
    }
  }
  showProgress();
  manager->push(new TitleScreen());
  bFinished = 1;
}
