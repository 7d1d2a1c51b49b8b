#pragma once
// The skin that shows a rectangle of a Texture: four vertices in strip order,
// with texture coordinates from a UV rectangle or, in texture-space mode,
// from the vertex positions (one world unit per logical texel).
#include "graphics/RectI.h"
#include "graphics/Skin.h"

class Texture;

// Texture coordinates of a rectangle; v grows downwards.
struct UVRect {
  float uLeft = 0, vTop = 0, uRight = 1, vBottom = 1;
};

class Quad : public Skin {
  ZIB_DECLARE_CLASS()
 public:
  Quad();

  // Tints the strip with the owner's colour (the draw's texture factor).
  void draw(Renderable* owner) override;
  // Sizes the quad so that one world unit shows one logical texel of `uvRect`.
  virtual void fitToTexture();

  // Texture pixels, in this order; takes the texture's coordinates of the
  // rectangle and fits the quad to them.
  void setTextureRect(int32_t left, int32_t top, int32_t bottom, int32_t right);
  // A w x h rectangle centred on the origin, uploaded.
  void buildGeometry(float w, float h);

  uint8_t bTextureSpaceUV = 0;
  float uvOffset[2] = {0, 0};
  Texture* pTexture = nullptr;
  UVRect uvRect;
  RectI pixelRect = {0, 0, 0, 0};
};
