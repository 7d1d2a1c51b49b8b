#pragma once
// The root of one screen or scene: its own clock, background and overlay,
// its camera, an optional clear, and the pointer's world position.
#include <cstdint>

#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "graphics/UColor.h"

class Camera;

class Context : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  Context();
  ~Context() override;

  void tick(double time, double delta) override;
  void render() override;

  // Entries used by the frame loop.
  virtual void frameTick(double time, double delta);
  virtual void frameRender();
  // Called by the screen manager when the screen becomes the top of its stack.
  virtual void onEnter(bool firstEnter);
  // Called by the screen manager before a finished screen is removed.
  virtual void onLeave(bool flag);
  virtual void tickContents(double time, double delta);
  virtual void renderContents();

  // Projects the input manager's pointer (logical pixels from the bottom-left
  // corner, y up; the corner without one) onto the plane z = 0 through the camera.
  void updatePointerWorldPosition();

  uint8_t bFinished = 0;
  uint8_t bDeleteWhenFinished = 0;
  uint8_t bEscapeAllowed = 1;
  uint8_t bSkipOnPress = 0;
  uint8_t bEscapeConfirms = 0;
  uint8_t bShowBackground = 1;
  uint8_t bHideFrameRate = 0;
  double endTime = 0.0;
  UColor clearColor = 0;
  ZibBase* pBackground = nullptr;
  ZibBase* pOverlay = nullptr;
  Context* pScreenBackground = nullptr;
  double time = 0.0;
  double delta = 0.0;
  double timeScale = 1.0;
  Vector3 pointerPos;
  Vector3 prevPointerPos;
  Vector3 pointerDelta;
  Camera* pCamera = nullptr;
  uint8_t bFirstEnter = 1;
};
