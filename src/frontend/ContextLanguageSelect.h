#pragma once
// The language-selection screen over the shared background: a heading asked
// in every language offered, one flag per language with the language's own
// name under it. A flag's click makes its language the engine's language for
// this and later starts; the arrow keys and a controller move between the
// flags, Enter and the controller's first button pick. Escape, or leaving the
// screen any other way (the window closed), keeps the language in use before
// the question, else the system's. The loading screen shows it when no
// language is chosen, and the first start picks one from the system's
// language without asking.
#include <cstdint>
#include <string>
#include <vector>

#include "app/ContextMenu.h"

class FontGDI;

class ContextLanguageSelect : public ContextMenu {
 public:
  // Deleted by the screen manager once a flag was clicked or Escape pressed.
  ContextLanguageSelect();
  // Settles the language when the screen goes without a choice.
  ~ContextLanguageSelect() override;

  void tickContents(double time, double delta) override;
  void renderContents() override;

  // The language whose ISO code is the system's language, else 0 (English).
  static int32_t autodetectLanguage();
  // What leaving without a choice keeps: the language last made current in
  // this process (it outlives a rebuilt engine), else the system's.
  static int32_t fallbackLanguage();

  // The language the loading screen last made current; -1 before any.
  static int32_t lastLanguage;

  // Owned; the headings and the names under the flags.
  FontGDI* pHeadingFont = nullptr;
  FontGDI* pNameFont = nullptr;
  std::vector<std::u16string> headings;

 private:
  // The heading's lines and the flags' names, at their places.
  struct Label {
    float x, y;
    std::u16string text;
  };
  std::vector<Label> names;
};
