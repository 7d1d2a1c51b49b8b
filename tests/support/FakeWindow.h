#pragma once
// The window backend of the tests: no display; the test queues the events the
// window would receive and reads back what was done to it.
#include <deque>
#include <string>

#include "platform/Window.h"

class FakeWindow : public WindowBackend {
 public:
  bool create(std::u16string_view title, int x, int y, int width, int height, std::u16string& error) override;
  void destroy() override;
  void show(int showCommand) override;
  void setTitle(std::u16string_view title) override;
  void setPlacement(int x, int y, int width, int height) override;
  void getClientSize(int& width, int& height) override;
  void* nativeHandle() override;
  bool pollEvent(MSG& message) override;
  void waitEvent(int timeoutMs) override;
  void getClientOrigin(int& x, int& y) override;
  void warpPointer(int x, int y) override;
  void showCursor(bool bShow) override;

  void pushEvent(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, uintptr_t extraInfo = 0);

  // When not empty, create fails with this reason.
  std::u16string createError;
  std::deque<MSG> events;
  bool bOpen = false;
  int showCommand = -1;
  std::u16string title;
  RECT placement;
  int waitCount = 0;
  // The last pointer warp in client pixels; (-1, -1) for none.
  POINT warp{-1, -1};
  bool bCursorShown = true;
};
