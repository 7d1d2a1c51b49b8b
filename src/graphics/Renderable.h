#pragma once
// An engine object with a place in the world: placement, tint and skin, the
// local-to-world matrix derived from them (with its inverse on request) and
// a bounding circle for culling, picking and collisions.
//
// After changing placement, skin or scale, call updateVisual (the setters do).
#include <cstdint>

#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "graphics/UColor.h"
#include "platform/D3DX9.h"

class Skin;

class Renderable : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // `scaleMode` values.
  static constexpr int32_t kScaleAsGiven = 0;
  static constexpr int32_t kScaleAspectCorrected = 1;
  static constexpr int32_t kScaleScreenPixels = 2;

  Renderable();
  // Destroys the skin when it owns it.
  ~Renderable() override;

  // What is drawn without an object of its own (a font's drawText): `render`
  // gets a temporary owner placed at `position` in `color`.
  template <class Render>
  static void drawWithTemporaryOwner(const Vector3& position, UColor color, Render&& render) {
    Renderable owner;
    owner.position = position;
    owner.color = color;
    owner.updateVisual();
    render(&owner);
  }

  // Culls, then draws the skin in `xform` (children are not rendered).
  void render() override;
  // The pointer of the nearest Context over the skin; needs bHasInvXform.
  bool hitTest() override;
  // The ZibBase serialisation; a received state updates the visual.
  void netSerialize(Packet* packet) override;
  // The ZibBase properties, then placement, colour and skin.
  void registerProperties(PropertyContainer* container) override;

  // Texture stage 0 for `color`: white and opaque select the texture as it is.
  virtual void applyColorStageStates();
  // matrix x S1 x R x S(scale2), then the position added to the translation.
  virtual void applyLocalTransform(D3DXMATRIX& matrix);
  // xform = preXform x T(-anchor) x local x postXform, and its inverse when
  // kept. A singular xform leaves no valid inverse: hit tests miss until the
  // placement is invertible again.
  virtual void calcXform();
  virtual void calcBounds();
  // Against the current Context's camera; visible outside any Context or
  // without a camera.
  virtual void updateVisibility();
  virtual bool isPointOverSkin(const Vector3& point);
  virtual bool isPointInsideBounds(const Vector3& point, float factor);
  virtual bool isPointInsideCollisionBounds(const Vector3& point);
  virtual bool collide(Renderable* other);
  virtual Vector3 local2world(const Vector3& point);
  virtual Vector3 world2local(const Vector3& point);
  virtual void updateVisual();
  virtual void setScaleXY(float s);
  virtual void setScale2(float x, float y, float z);
  virtual Vector3* getScale2();
  virtual void setScale2XY(float s);
  virtual void setPreXform(const D3DXMATRIX& matrix);
  virtual void setPostXform(const D3DXMATRIX& matrix);

  void setPosition(float x, float y, float z);
  // Null arguments leave their field as it is; one updateVisual at the end.
  void setPlacement(Skin* skin, const Vector3* position, const Vector3* rotation, const Vector3* scale,
                    const D3DXMATRIX* preXform, const D3DXMATRIX* postXform);

  D3DXMATRIX xform;
  D3DXMATRIX invXform;
  Vector3 boundCentre;
  UColor color = 0xFFFFFFFF;
  float boundRadius = 0;
  float collisionSensitivity = 1.0f;
  uint8_t bHidden = 0;
  uint8_t bOwnsSkin = 0;
  uint8_t bHasInvXform = 0;
  // invXform is the inverse of the current xform (false while it is singular).
  uint8_t bValidInvXform = 0;
  D3DXMATRIX preXform;
  D3DXMATRIX postXform;
  Skin* pSkin = nullptr;
  Vector3 position;
  Vector3 rotation;
  Vector3 scale{1, 1, 1};
  Vector3 scale2{1, 1, 1};
  int32_t scaleMode = kScaleAsGiven;
  int32_t lastUpdateFrame = -1;

 private:
  // Debug outlines: bounding and collision circles, crosses.
  void drawDebugShapes();

  uint8_t bSingularLogged = 0;
};
