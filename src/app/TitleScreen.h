#pragma once
// The screen shown once loading is done: the edition's name, the title
// picture, a word-wrapped message, the music and a Quit button, until Quit,
// Escape or the window closes. Its class record is known by its hash alone.
#include "graphics/Context.h"

class Renderable;

class TitleScreen : public Context {
  ZIB_DECLARE_CLASS()
 public:
  // Deleted by the screen manager once finished.
  TitleScreen();

  // The title picture, a child; null when no title texture was loaded.
  Renderable* pPicture = nullptr;
};
