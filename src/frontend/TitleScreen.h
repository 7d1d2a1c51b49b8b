#pragma once
// The screen shown once loading is done: the edition's name in a glyph font
// with colour markup and in a TrueType font, the title picture, a
// word-wrapped message in the current language, the title music and the Quit
// button, until Quit, Escape or the window closes; a Language button asks for
// the language again, an Options button opens the options. The arrow keys and a
// controller move the pointer to the button; Enter and the controller's
// first button press what the pointer is on. Its class record is known by its
// hash alone.
#include <string>

#include "app/ContextMenu.h"

class FontGDI;
class MenuButton;
class TextBlockView;

class TitleScreen : public ContextMenu {
  ZIB_DECLARE_CLASS()
 public:
  // Deleted by the screen manager once finished.
  TitleScreen();
  ~TitleScreen() override;

  // Starts the title music.
  void onEnter(bool firstEnter) override;
  // The language button becomes the focused item instead of Quit.
  void focusLanguageButton();
  void tickContents(double time, double delta) override;
  void renderContents() override;

  // Children; null when their resources were not loaded.
  Renderable* pPicture = nullptr;
  // The edition's name in the glyph font, with colour markup.
  TextBlockView* pName = nullptr;
  TextBlockView* pMessage = nullptr;
  MenuButton* pQuitButton = nullptr;
  // Rebuilds the engine to ask for the language again.
  MenuButton* pLanguageButton = nullptr;
  // Opens the options screen.
  MenuButton* pOptionsButton = nullptr;
  // The edition's name and version in TrueType; the font is owned.
  FontGDI* pNameFont = nullptr;
  std::u16string nameLine;
};
