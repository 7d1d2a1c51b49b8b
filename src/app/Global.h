#pragma once
// The game object: the game's configuration and profiles, its screens and
// the start-up step that follows the engine's.
#include <cstdint>
#include <string>
#include <vector>

#include "app/GameConfiguration.h"
#include "app/ProfileManager.h"

class ContextManager;

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
  // program, creates the screen manager and pushes the loading screen.
  void initPreLoader();
  // The record-size lines a debug build shows on the console at start-up.
  static std::vector<std::u16string> sizeLines();
  // Writes the configuration, the profiles and the engine's user configuration.
  void saveUserData();
  // Hands the settings to the engine's managers that exist; a width and
  // height of -1 keep the current video mode.
  void applyConfiguration(int32_t width, int32_t height);

  GameConfiguration gameConfiguration;
  ProfileManager profileManager;
  // A web page to open once the program has shut down; empty for none.
  std::u16string pendingWebLink;
  ContextManager* pContextManager = nullptr;
};
