#pragma once
// The managers of the layers above the engine (the graphics manager, the
// game's language) that the root starts and stops in its own order, and
// everything else the engine asks of the layers above it. The engine declares
// what it needs of them; the game implements it and the program installs it
// (setZibModules) before the root is built. Without one the root runs with
// neither. The layers above set no function pointers of the engine: what the
// engine needs of them goes here.
#include <cstdint>
#include <string>

#include "engine/LogicalScreen.h"

class Context;
class Zib;
class ZibBase;

class ZibModules {
 public:
  virtual ~ZibModules() = default;
  // After the resource manager: builds zib.pZibGraphics.
  virtual void startGraphics(Zib&) {}
  // After the graphics manager (and the pointer centred on its screen) and
  // the audio manager: builds zib.pDefaultFont.
  virtual void startDefaultFont(Zib&) {}
  // After the audio manager and the default font, before the network
  // manager: builds zib.pConsole.
  virtual void startConsole(Zib&) {}
  // After the engine's own managers that follow the graphics (the audio and
  // network managers): builds zib.pLanguage.
  virtual void startLanguage(Zib&) {}
  // Shutdown step 1: deletes zib.pLanguage and clears it.
  virtual void stopLanguage(Zib&) {}
  // Shutdown step 3: deletes zib.pConsole and clears it.
  virtual void stopConsole(Zib&) {}
  // Shutdown step 4: deletes zib.pDefaultFont and clears it.
  virtual void stopDefaultFont(Zib&) {}
  // Shutdown step 6: deletes zib.pZibGraphics and clears it.
  virtual void stopGraphics(Zib&) {}
  // Writes the graphics settings into the user configuration.
  virtual void saveGraphicsSettings(Zib&) {}
  // One step of a mode change, before the objects are told.
  virtual void onZIBmodeChange(Zib&, int32_t /*oldMode*/, int32_t /*newMode*/) {}
  // The root context's tick and render within a frame.
  virtual void frameTick(Context*) {}
  virtual void frameRender(Context*) {}
  // The console's tick (after the focus tracker) and render (after the
  // screenshot, before the statistics overlay) within a ticked frame.
  virtual void tickConsole(Zib&) {}
  virtual void renderConsole(Zib&) {}
  // The root context as an object of the tree, for the focus tracker.
  virtual ZibBase* rootObject(Context*) { return nullptr; }
  // The picture of the root context into `path` (the screenshot key).
  virtual void saveScreenshot(Zib&, Context* /*root*/, const std::u16string& /*path*/) {}
  // Bytes held by resident textures and decoded images, for the frame statistics.
  virtual int32_t residentTextureBytes() const { return 0; }
  virtual int32_t residentImageBytes() const { return 0; }
  // The logical screen's width, that panned sounds spread over.
  virtual int32_t screenWidth(const Zib&) const { return kLogicalScreenWidth; }
  // A fatal report's steps, run only while the root has its graphics manager
  // and only on the main thread: the back buffer saved as the crash picture
  // at `path`, then full screen left and the device released.
  virtual void saveCrashScreenshot(Zib&, const std::u16string& /*path*/) {}
  virtual void releaseDisplay(Zib&) {}
};

// Not owning; null puts back the one that does nothing.
void setZibModules(ZibModules* modules);
ZibModules& zibModules();
