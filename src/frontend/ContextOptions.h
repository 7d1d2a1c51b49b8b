#pragma once
// The options a player changes: the volumes of sounds and music and the mute
// switch, which take effect at once, and the sample rate, which the next
// start uses (the screen says so); a button to the advanced options and one
// back. Leaving saves the settings with the game's user data.
#include <cstdint>
#include <string>
#include <vector>

#include "app/ContextMenu.h"

class Global;

class ContextOptions : public ContextMenu {
 public:
  // The selectors show the game's settings; deleted once finished.
  explicit ContextOptions(Global& global);

  // A changed selector goes into the settings, which are applied at once.
  void tickContents(double time, double delta) override;
  void renderContents() override;
  // Saves the settings: they hold at the next start even if this run ends badly.
  void onLeave(bool flag) override;

  // Volumes in tenths, 0 to 10, and their labels ("0 %" to "100 %").
  static int32_t volumeStep(float volume);
  static std::vector<std::u16string> volumeLabels();

  Global& global;
  // Children; null while the button looks are not loaded.
  MenuSelector* pSoundVolume = nullptr;
  MenuSelector* pMusicVolume = nullptr;
  MenuSelector* pMute = nullptr;
  MenuSelector* pSampleRate = nullptr;
  MenuButton* pAdvancedButton = nullptr;
  MenuButton* pBackButton = nullptr;
};
