#pragma once
// The screen manager: a Context whose contents are a stack of screens, the
// top one ticked and drawn. It is the root Context of every frame.
#include <cstdint>
#include <vector>

#include "graphics/Context.h"

class ContextManager : public Context {
  ZIB_DECLARE_CLASS()
 public:
  ContextManager();
  // Deletes the screens still stacked that are deleted when finished; the
  // others belong to the game object.
  ~ContextManager() override;

  // The screen becomes the top; it is entered at the next tick.
  void push(Context* screen);
  // An Escape key press, acted on at the next tick.
  void requestEscape();
  Context* getTop() const { return screens.empty() ? nullptr : screens.back(); }

  void tickContents(double time, double delta) override;
  void renderContents() override;

  // Set once the stack is empty: the program closes.
  uint8_t bQuit = 0;
  // Bottom first.
  std::vector<Context*> screens;

 private:
  bool bTopChanged = false;
  bool bEscapeRequested = false;
};
