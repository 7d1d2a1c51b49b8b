#pragma once
// The screen shown once loading is done: the title picture, until Escape or
// the window closes. Its class record is known by its hash alone.
#include "graphics/Context.h"

class Renderable;

class TitleScreen : public Context {
  ZIB_DECLARE_CLASS()
 public:
  // Deleted by the screen manager once finished.
  TitleScreen();

  // Starts the title music when the loading screen has registered it.
  void onEnter(bool firstEnter) override;

  // The title picture, a child; null when no title texture was loaded.
  Renderable* pPicture = nullptr;
};
