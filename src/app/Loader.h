#pragma once
// The loading screen: settles the language and applies the game's settings,
// shows itself with the bar empty for a frame, mounts the language and font
// archives, loads every resource a slice of at most 0.25 s per frame with the
// progress bar filling, shows the bar full for a frame, then hands over to
// the title screen over the shared background.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/Context.h"

class Global;
class Sound;
class ZibBase;

class Loader : public Context {
 public:
  // Longest stretch of loading in one frame, in seconds.
  static constexpr double kSliceSeconds = 0.25;

  // Loads into `global`'s resources and pushes the title screen onto its
  // screen manager. Deleted by the manager once finished.
  explicit Loader(Global& global);

  void tickContents(double time, double delta) override;
  void renderContents() override;

  // The archive of a language beside the program: its ISO code + ".language.v2".
  static std::u16string languageArchivePath(int32_t language);
  // The archive of the glyph fonts beside the program.
  static std::u16string fontArchivePath();

  // What is left to load, in order; each step registers its resources.
  std::vector<std::function<void()>> loadSteps;
  size_t nextStep = 0;
  bool bConfigured = false;
  bool bStarted = false;
  // The bar was drawn full; the next tick hands over to the title.
  bool bShownFull = false;
  // The language question was shown: the title comes up on its language button.
  bool bAskedLanguage = false;

 private:
  // Picks the language on the first run and makes it current; false while
  // the language-selection screen asks for it.
  bool setupLanguage();
  // The resource list, one step per resource or small group.
  void loadStuff();
  // Registers `resource` under `name`; the game object owns it.
  void addResource(ZibBase* resource, const std::u16string& name);
  void loadTexture(const char16_t* name, const char16_t* fileName);
  // A sound effect that plays at most `maxPlaybacks` times at once, its pitch
  // varied up to `pitchMax`.
  Sound* loadSound(const char16_t* name, const char16_t* fileName, uint32_t maxPlaybacks, float pitchMax);
  // Loads the background picture and makes it the screen manager's shared
  // background, once: the language question shows it before loading.
  void setupBackground();
  // Pushes the title screen, focused on the language button after the question.
  void postLoader();
  // Registers a font's glyph pages "<name>1"..., "<name>Extra1"... and the
  // code page's lookup table when its file is there.
  void fontRes(const std::u16string& name);
  // Creates a glyph font from its registered pages and its settings in
  // "gfx/font/fonts.settings", and registers it under its name.
  void loadFont(const std::u16string& name);
  // The HUD font: one page, "fontHUDTex", from slot 44 (the comma).
  void loadHudFont();

  Global& global;
};
