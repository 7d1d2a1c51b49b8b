#include "app/Loader.h"

#include "app/ContextManager.h"
#include "app/TitleScreen.h"
#include "engine/ResourceManager.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "frontend/ContextLanguageSelect.h"
#include "graphics/Texture.h"
#include "localisation/Language.h"

namespace {

void loadTexture(const char16_t* name, const char16_t* fileName) {
  zib->pResourceManager->addResource(new Texture(0, fileName), name);
}

}  // namespace

Loader::Loader(ContextManager* manager) : manager(manager) {
  bDeleteWhenFinished = 1;
  loadSteps = {
      [] { loadTexture(u"progressBarTex", u"gfx/progressbar.tga"); },
      [] { loadTexture(u"titleTex", u"gfx/title.tga"); },
  };
}

void Loader::setupLanguage() {
  if (zib->defaultLanguage == -2) zib->defaultLanguage = ContextLanguageSelect::autodetectLanguage();
  // A negative choice asks for the language-selection screen, which is not
  // there yet; setLanguage falls back to language 0 meanwhile.
  if (zib->pLanguage) zib->pLanguage->setLanguage(zib->defaultLanguage);
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
    if (!clock || clock->getElapsedTime() - start >= kSliceSeconds) return;
  }
  manager->push(new TitleScreen());
  bFinished = 1;
}
