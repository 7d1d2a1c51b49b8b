#pragma once
// A picture placed on a screen, scaled to the screen's view keeping its shape.
#include "graphics/Renderable.h"

class Context;
class Skin;

enum class PictureFit {
  kContain,  // as large as fits whole
  kCover,    // as small as covers the whole view
};

// A Renderable of `skin` (a registered skin resource or texture, by name)
// centred in `screen` at `y`, a child of it; null when the name is unknown.
Renderable* addScreenPicture(Context* screen, const char16_t* resourceName, PictureFit fit, float y = 0);
