#pragma once
// The game object: the game's configuration and profiles, its screens and
// the start-up step that follows the engine's.
#include <cstdint>
#include <string>
#include <vector>

#include "app/GameConfiguration.h"
#include "app/ProfileManager.h"
#include "engine/ZibBase.h"

class ContextManager;
class ProgressBar;

// The version text the game's saved records are salted with.
inline constexpr char16_t kSaveVersion[] = u"2.79";

class Global {
 public:
  // Loads the configuration and the profiles; a missing or damaged file keeps the defaults.
  Global();
  Global(const Global&) = delete;
  Global& operator=(const Global&) = delete;
  // Deletes the screen manager with its screens, then saves the profiles and
  // the configuration. The engine's managers must still exist.
  virtual ~Global();

  // Numbers the class records, mounts the edition's data archive beside the
  // program, sets up the progress bar and the mouse pointer, creates the
  // screen manager and pushes the loading screen.
  void initPreLoader();
  // The record-size lines a debug build shows on the console at start-up.
  static std::vector<std::u16string> sizeLines();
  // Writes the configuration, the profiles and the engine's user configuration.
  void saveUserData();
  // Hands the settings to the engine, in this order: the frame rate, the
  // audio rate and volumes, the presentation (a width and height of -1 keep
  // the current video mode), the detail level. Managers that do not exist
  // are passed over.
  void applyConfiguration(int32_t width, int32_t height);

  GameConfiguration gameConfiguration;
  ProfileManager profileManager;
  // A web page to open once the program has shut down; empty for none.
  std::u16string pendingWebLink;
  ContextManager* pContextManager = nullptr;
  // The loading screen's bar; a child of `resources`.
  ProgressBar* pProgressBar = nullptr;
  // Owns what the game loads (the registered resources, the bar's and the
  // pointer's textures); destroyed with the game object, after its screens.
  ZibBase resources;

 private:
  // The graphics manager's video settings into the record.
  void takeVideoSettings();
  void applyAudioSettings();
};
