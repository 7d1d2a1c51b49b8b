#pragma once
// A menu screen: its items in navigation order, reached without a mouse. The
// arrow keys and a controller's stick or pad move the pointer from item to
// item; Enter and a controller's first button press where the pointer stands
// (the item under it takes the click as a mouse click). The item the pointer
// lights, however it got there, is the focused one; while none is lit, a press
// only lights the focused item and the next one presses it. Left and right
// change the value of a focused selector. The first key moves the input into
// keyboard mode, where the pointer is drawn on the focused item.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ObjectLink.h"
#include "graphics/Context.h"

class FontQuad;
class MenuButton;
class MenuSelector;
class Renderable;

class ContextMenu : public Context {
 public:
  ~ContextMenu() override;

  // Ticks the items, focuses the one under the pointer, then moves the focus by the keys.
  void tickContents(double time, double delta) override;
  // Into keyboard or controller mode: the pointer goes to the focused item.
  void onInputModeChange() override;
  // Outside mouse mode the pointer goes to the focused item, so that a press
  // lands on this screen's item rather than where the last screen left it.
  void onEnter(bool firstEnter) override;

  // Appends `item` as a child and as the last item in navigation order.
  void addItem(Renderable* item);
  // Moves the focus (and the pointer) onto item `index`, wrapping around.
  void focusItem(int32_t index);
  // A button or a selector in the game's button looks centred at (x, y),
  // appended as the next item; null while the looks are not loaded.
  MenuButton* addButton(float x, float y, std::u16string label);
  MenuSelector* addSelector(float x, float y, std::u16string caption, std::vector<std::u16string> values,
                            int32_t index, bool bWraps);
  // A loaded font by its resource name; null when there is none.
  static FontQuad* findFont(const char16_t* name);
  // The current language's text for `key`; empty without a language.
  static std::u16string text(int32_t key);

  // The items in navigation order; links empty themselves when an item goes.
  std::vector<std::unique_ptr<ObjectLink>> items;
  int32_t focusedItem = 0;
  // What the question asks before Escape leaves a screen that wants it
  // confirmed (bEscapeConfirms); empty for the plain "leave?".
  std::u16string leaveQuestion;

 private:
  // `bLit`: an item shows under the pointer at this tick.
  void navigate(bool bLit);
};
