#pragma once
// The screen manager: a Context whose contents are a stack of screens, the
// top one ticked and drawn, over a shared background layer and under an
// overlay layer (the pointer) and the frame-rate text. It is the root Context
// of every frame.
#include <cstdint>
#include <vector>

#include "graphics/Context.h"

class ContextManager : public Context {
  ZIB_DECLARE_CLASS()
 public:
  // The game's two fire keys (player one, player two): they skip screens
  // that allow it.
  static constexpr int32_t kFireKeys[2] = {0x39, 0x9D};  // Space, Right Ctrl

  ContextManager();
  // Deletes the screens still stacked that are deleted when finished; the
  // others belong to the game object.
  ~ContextManager() override;

  // The screen becomes the top; it is entered at the next tick.
  void push(Context* screen);
  Context* getTop() const { return screens.empty() ? nullptr : screens.back(); }

  // Pops finished screens, enters a new top, ticks it and acts on Escape and
  // on the skip keys in the same tick.
  void tickContents(double time, double delta) override;
  // The background (the top's own or the shared layer), the top, the overlay
  // layer and the frame-rate text.
  void renderContents() override;

  // Set once the stack is empty: the program closes.
  uint8_t bQuit = 0;
  // Bottom first.
  std::vector<Context*> screens;
  // Drawn behind a top screen that has no background of its own; null for
  // none. Owned (a child), set by the game once loaded.
  Context* pSharedBackground = nullptr;
  // Drawn over every screen: the mouse pointer lives here. A child.
  Context* pOverlayLayer = nullptr;

 private:
  // Escape on the top: finishes it, or asks first when it wants confirming.
  void onEscape(Context* top);
  void drawFrameRate();

  bool bTopChanged = false;
};
