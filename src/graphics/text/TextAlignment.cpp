#include "graphics/text/TextAlignment.h"

#include "base/Vector3.h"
#include "graphics/Renderable.h"
#include "graphics/text/FontQuad.h"

void textAlignmentOffsets(int32_t flags, int32_t width, int32_t fontHeight, int32_t uppercaseLine, int32_t baseline,
                          float& x, float& y) {
  x = 0;
  y = 0;
  if (flags & FontQuad::kAlignRight) x -= static_cast<float>(width);
  if (flags & FontQuad::kAlignCentre) x -= static_cast<float>(width / 2);
  if (flags & FontQuad::kCentreVertically) y += static_cast<float>(fontHeight / 2);
  if (flags & FontQuad::kBottomOnAnchor) y += static_cast<float>(fontHeight);
  if (flags & FontQuad::kCentreOnCapitals) y += static_cast<float>((uppercaseLine + baseline) / 2);
  if (flags & FontQuad::kBaselineOnAnchor) y += static_cast<float>(baseline);
}

void placeTextRenderable(Renderable& temp, const Renderable& owner, const Vector3& scale, float x, float y) {
  temp.color = owner.color;
  temp.position = Vector3(x, y, 0);
  temp.scale = scale;
  temp.postXform = owner.xform;
  temp.bSkipVisibility = 1;
  temp.updateVisual();
}
