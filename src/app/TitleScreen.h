#pragma once
// The screen shown once loading is done. It stays until Escape or the window
// closes; its class record is known by its hash alone.
#include "graphics/Context.h"

class TitleScreen : public Context {
  ZIB_DECLARE_CLASS()
 public:
  // Deleted by the screen manager once finished.
  TitleScreen();
};
