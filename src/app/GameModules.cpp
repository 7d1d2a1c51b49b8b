#include "app/GameModules.h"

#include "engine/AppPaths.h"
#include "engine/Zib.h"
#include "graphics/Console.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontGDI.h"
#include "localisation/Language.h"

void GameModules::startGraphics(Zib& zib) { zib.pZibGraphics = new ZibGraphics(); }

void GameModules::startDefaultFont(Zib& zib) { zib.pDefaultFont = new FontGDI(12, 1, 1, 1, u"Arial"); }

void GameModules::startConsole(Zib& zib) { zib.pConsole = new Console(); }

void GameModules::startLanguage(Zib& zib) { zib.pLanguage = new Language(); }

void GameModules::stopLanguage(Zib& zib) {
  delete zib.pLanguage;
  zib.pLanguage = nullptr;  // later steps see it gone
}

void GameModules::stopDefaultFont(Zib& zib) {
  delete zib.pDefaultFont;
  zib.pDefaultFont = nullptr;
}

void GameModules::stopConsole(Zib& zib) {
  delete zib.pConsole;
  zib.pConsole = nullptr;
}

void GameModules::stopGraphics(Zib& zib) {
  delete zib.pZibGraphics;
  zib.pZibGraphics = nullptr;
}

void GameModules::saveGraphicsSettings(Zib& zib) {
  if (zib.pZibGraphics) zib.pZibGraphics->saveSettings();
}

void GameModules::onZIBmodeChange(Zib& zib, int32_t oldMode, int32_t newMode) {
  if (zib.pZibGraphics) zib.pZibGraphics->onZIBmodeChange(oldMode, newMode);
}

void GameModules::frameTick(Context* root) { root->frameTick(0, 0); }  // the Context takes its own time step

void GameModules::frameRender(Context* root) { root->frameRender(); }

void GameModules::tickConsole(Zib& zib) { zib.pConsole->frameTick(0, 0); }

void GameModules::renderConsole(Zib& zib) { zib.pConsole->frameRender(); }

ZibBase* GameModules::rootObject(Context* root) { return root; }

void GameModules::saveScreenshot(Zib& zib, Context* root, const std::u16string& path) {
  if (zib.pZibGraphics) zib.pZibGraphics->saveScreenshot(root, path);
}

int32_t GameModules::residentTextureBytes() const { return ::residentTextureBytes; }

int32_t GameModules::residentImageBytes() const { return ::residentImageBytes; }

int32_t GameModules::screenWidth(const Zib& zib) const {
  return zib.pZibGraphics ? zib.pZibGraphics->screenWidth : kLogicalScreenWidth;
}

void GameModules::saveCrashScreenshot(Zib& zib, const std::u16string& path) {
  if (zib.pZibGraphics) zib.pZibGraphics->saveScreenshot(nullptr, path);
}

void GameModules::releaseDisplay(Zib& zib) {
  if (zib.pZibGraphics) zib.pZibGraphics->releaseDisplay();
}

void installGameModules() {
  static GameModules modules;
  setEdition({.name = u"Skerrion2demo", .studio = u"Quillon studios", .version = u"2.79", .windowTitle = u"Skerrion 2"});
  setZibModules(&modules);
}
