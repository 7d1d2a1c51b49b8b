#include "app/Loader.h"

#include "app/ContextManager.h"
#include "app/Global.h"
#include "app/ProgressBar.h"
#include "app/ScreenPicture.h"
#include "frontend/TitleScreen.h"
#include "base/Format.h"
#include "engine/AppPaths.h"
#include "engine/ByteBuffer.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "engine/MemoryIniFile.h"
#include "engine/ResourceManager.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "engine/audio/SoundStream.h"
#include "frontend/ContextLanguageSelect.h"
#include "graphics/Texture.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextLanguage.h"
#include "localisation/Language.h"
#include "localisation/TextKeys.h"

namespace {

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

}  // namespace

Loader::Loader(Global& global) : global(global) {
  bDeleteWhenFinished = 1;
  // Leaving half-loaded would leave the program without its screens.
  bEscapeAllowed = 0;
  loadStuff();
}

std::u16string Loader::languageArchivePath(int32_t language) {
  return baseDirectoryPath() + std::u16string(Language::builtInString(language, LANGUAGEISOCODE)) + u".language.v2";
}

std::u16string Loader::fontArchivePath() { return baseDirectoryPath() + u"fonts.dat"; }

void Loader::addResource(ZibBase* resource, const std::u16string& name) {
  global.resources.appendChild(resource);
  zib->pResourceManager->addResource(resource, name);
}

void Loader::loadTexture(const char16_t* name, const char16_t* fileName) { addResource(new Texture(0, fileName), name); }

Sound* Loader::loadSound(const char16_t* name, const char16_t* fileName, uint32_t maxPlaybacks, float pitchMax) {
  auto* sound = new Sound(0, maxPlaybacks, fileName);
  sound->pitchMin = 0;
  sound->pitchMax = pitchMax;
  addResource(sound, name);
  return sound;
}

void Loader::fontRes(const std::u16string& name) {
  FileManager& files = *zib->pFileManager;
  // The glyph textures keep their pixels: the font cache blits glyphs out of them.
  for (int32_t n = 1;; ++n) {
    const std::u16string path = formatString(u"gfx/font/%s/%s-%d.tga", name, name, n);
    if (!files.exists(path)) break;
    addResource(new Texture(Texture::kKeepSource, path), formatString(u"%s%d", name, n));
  }
  for (int32_t n = 1;; ++n) {
    const std::u16string path = formatString(u"gfx/font/%s/extra-%s-%d.tga", name, name, n);
    if (!files.exists(path)) break;
    addResource(new Texture(Texture::kKeepSource, path), formatString(u"%sExtra%d", name, n));
  }
  const std::u16string& codePage = TextLanguage::current.codePage;
  const std::u16string lut = formatString(u"gfx/font/%s/%s.codepointLUT.bin", name, codePage);
  const std::u16string lutName = formatString(u"%s.codepointLUT", codePage);
  if (files.exists(lut) && !zib->pResourceManager->find(false, lutName)) addResource(new FileData(false, lut), lutName);
}

void Loader::loadFont(const std::u16string& name) {
  fontRes(name);
  auto* font = new FontQuad();
  applyFontSettings(*font, name);
  font->addSourceTextures(name);
  font->setupCompositeChars();
  font->enablePixelAlignment();
  font->createFontCache();  // last: it takes the baseline from the glyphs
  addResource(font, name);
}

void Loader::loadHudFont() {
  auto* texture = new Texture(Texture::kKeepSource, u"gfx/font/alphabet-hud.tga");
  addResource(texture, u"fontHUDTex");
  auto* font = new FontQuad();
  font->fontName = u"fontHUD";
  applyFontSettings(*font, font->fontName);
  font->addSourceTexture(texture, 44);
  font->createFontCache();
  addResource(font, u"fontHUD");
}

void Loader::loadStuff() {
  loadSteps = {
      // The archives first: the steps after them load from them. A missing one is fatal.
      [this] {
        const int32_t language = zib->pLanguage ? zib->pLanguage->currentLanguage : 0;
        zib->pFileManager->useWad(languageArchivePath(language));
        zib->pFileManager->useWad(fontArchivePath());
      },
      [this] { loadTexture(u"titleTex", u"gfx/title.tga"); },
      [this] {
        loadTexture(u"buttonTex", u"gfx/button.tga");
        // The button's looks: normal, under the pointer, pressed.
        auto* texture = static_cast<Texture*>(zib->pResourceManager->find(true, u"buttonTex"));
        static constexpr const char16_t* kSkins[] = {u"buttonSkin", u"buttonHoverSkin", u"buttonPressedSkin"};
        for (int32_t i = 0; i < 3; ++i) zib->pResourceManager->addResource(texture->getSkin(i), kSkins[i]);
      },
      [this] { setupBackground(); },
      [this] {
        loadSound(u"clickSnd", u"sfx/click.wav", 2, 0.1f)->minRepeatInterval = 0.05;
        loadSound(u"shotSnd", u"sfx/shot.wav", 3, 0.5f);
        loadSound(u"explosionSnd", u"sfx/explosion.wav", 3, 0.3f)->minRepeatInterval = 0.1;
      },
      [this] { addResource(new SoundStream(1, u"music/title.ogg"), u"titleMusic"); },
      [this] { addResource(new FileData(false, u"text/title.txt"), u"titleText"); },
      [this] { loadFont(u"fontTiny"); },
      [this] { loadFont(u"fontSmall"); },
      [this] { loadFont(u"fontMedium"); },
      [this] { loadFont(u"fontLarge"); },
      [this] { loadHudFont(); },
  };
}

bool Loader::setupLanguage() {
  if (zib->defaultLanguage == -2) zib->defaultLanguage = ContextLanguageSelect::autodetectLanguage();
  if (zib->defaultLanguage < 0) {
    // Asked for again (a change of language): the flags, then the question.
    // This screen goes on once a flag was clicked.
    if (!zib->pResourceManager->find(false, u"flagsTex")) loadTexture(u"flagsTex", u"gfx/flags.tga");
    setupBackground();
    global.pContextManager->push(new ContextLanguageSelect());
    bAskedLanguage = true;
    return false;
  }
  if (zib->pLanguage) zib->pLanguage->setLanguage(zib->defaultLanguage);
  ContextLanguageSelect::lastLanguage = zib->defaultLanguage;
  return true;
}

void Loader::setupBackground() {
  ContextManager& manager = *global.pContextManager;
  if (manager.pSharedBackground) return;
  loadTexture(u"backgroundTex", u"gfx/background.tga");
  // The background is drawn whole: on small-texture hardware its skin is a grid of tiles.
  auto* texture = static_cast<Texture*>(zib->pResourceManager->find(true, u"backgroundTex"));
  zib->pResourceManager->addResource(texture->getSkin(0), u"backgroundGrid");
  manager.pSharedBackground = new Context();
  manager.appendChild(manager.pSharedBackground);
  addScreenPicture(manager.pSharedBackground, u"backgroundGrid", PictureFit::kCover);
}

void Loader::postLoader() {
  auto* title = new TitleScreen();
  // Back from the question as from the options, on the button that left: a second Enter asks again, not quits.
  if (bAskedLanguage) title->focusLanguageButton();
  global.pContextManager->push(title);
}

void Loader::tickContents(double, double) {
  if (!bConfigured) {
    // The saved settings first: the language question is paced as well.
    global.applyConfiguration(-1, -1);
    bConfigured = true;
    // A restarted presentation drops this frame: the empty bar waits for the next.
    return;
  }
  if (!bStarted) {
    // Before loading, since the fonts take their glyph set from the language.
    if (!setupLanguage()) return;
    bStarted = true;
    // A frame with the empty bar first: loading may fit in one slice.
    return;
  }
  if (nextStep >= loadSteps.size() && bShownFull) {
    postLoader();
    bFinished = 1;
    return;
  }
  // Without the engine clock every frame loads one step.
  TimeKeeper* const clock = zib->pTimeKeeper;
  const double start = clock ? clock->getElapsedTime() : 0.0;
  while (nextStep < loadSteps.size()) {
    loadSteps[nextStep++]();
    if (!clock || clock->getElapsedTime() - start >= kSliceSeconds) break;
  }
  if (global.pProgressBar)
    global.pProgressBar->setProgress(loadSteps.empty() ? 1.0f : float(nextStep) / float(loadSteps.size()));
  // One frame with the bar full before the title.
  bShownFull = nextStep >= loadSteps.size();
}

void Loader::renderContents() {
  Context::renderContents();
  if (global.pProgressBar) global.pProgressBar->render();
}
