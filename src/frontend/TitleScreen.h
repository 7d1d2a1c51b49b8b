#pragma once
// The screen shown once loading is done: the edition's name in a glyph font
// with colour markup and in a TrueType font, the title picture, a
// word-wrapped message in the current language, the title music and the Quit
// button, until Quit, Escape or the window closes; a Language button asks for
// the language again. The arrow keys and a
// controller move the pointer to the button; Enter and the controller's
// first button press what the pointer is on. Its class record is known by its
// hash alone.
#include <memory>
#include <string>
#include <vector>

#include "engine/ObjectLink.h"
#include "graphics/Context.h"

class FontGDI;
class MenuButton;
class Renderable;
class TextBlockView;

class TitleScreen : public Context {
  ZIB_DECLARE_CLASS()
 public:
  // Deleted by the screen manager once finished.
  TitleScreen();
  ~TitleScreen() override;

  // Starts the title music.
  void onEnter(bool firstEnter) override;
  void tickContents(double time, double delta) override;
  void renderContents() override;
  // Into keyboard or controller mode: the pointer goes to the focused button.
  void onInputModeChange() override;

  // Children; null when their resources were not loaded.
  Renderable* pPicture = nullptr;
  // The edition's name in the glyph font, with colour markup.
  TextBlockView* pName = nullptr;
  TextBlockView* pMessage = nullptr;
  MenuButton* pQuitButton = nullptr;
  // Rebuilds the engine to ask for the language again.
  MenuButton* pLanguageButton = nullptr;
  // The buttons in navigation order.
  std::vector<std::unique_ptr<ObjectLink>> items;
  int32_t focusedItem = 0;
  // The edition's name and version in TrueType; the font is owned.
  FontGDI* pNameFont = nullptr;
  std::u16string nameLine;

 private:
  // Moves the pointer onto item `index`.
  void focusItem(int32_t index);
  // Arrow keys and controllers move the focus; Enter and a button click.
  void navigate();
};
