#pragma once
// The perspective camera of a Context: 90 degrees across, so that from W/2
// in front of the plane z = 0 (the default) one world unit is one logical
// pixel there, origin at the centre, y up.
#include <cstdint>

#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "graphics/RectF.h"

class Camera : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  Camera();

  // Derives `eye` and `lookAt`: the texel alignment offset, and with
  // bPixelSnap whole units. Does not tick children.
  void tick(double time, double delta) override;
  // Sets projection and view.
  void render() override;
  // After the Context's contents were ticked; game cameras follow them here.
  virtual void onTickEnd(double time, double delta);

  // The visible rectangle of the plane at depth z, from `position`.
  RectF getViewRect(float z) const;

  // The logical screen's width: the graphics manager's, or the fixed 800
  // units without one.
  static float logicalWidth();

  Vector3 position;
  Vector3 target;
  float aspect = 0;
  float roll = 0;
  uint8_t bPixelSnap = 1;
  Vector3 eye;
  Vector3 lookAt;
};
