#include "support/FakeWindow.h"

bool FakeWindow::create(std::u16string_view newTitle, int x, int y, int width, int height, std::u16string& error) {
  if (!createError.empty()) {
    error = createError;
    return false;
  }
  bOpen = true;
  title = newTitle;
  setPlacement(x, y, width, height);
  return true;
}

void FakeWindow::destroy() { bOpen = false; }

void FakeWindow::show(int command) { showCommand = command; }

void FakeWindow::setTitle(std::u16string_view newTitle) { title = newTitle; }

void FakeWindow::setPlacement(int x, int y, int width, int height) { placement = {x, y, x + width, y + height}; }

void FakeWindow::getClientSize(int& width, int& height) {
  width = placement.right - placement.left;
  height = placement.bottom - placement.top;
}

void* FakeWindow::nativeHandle() { return this; }

bool FakeWindow::pollEvent(MSG& message) {
  if (events.empty()) return false;
  message = events.front();
  events.pop_front();
  return true;
}

void FakeWindow::waitEvent(int) { ++waitCount; }

void FakeWindow::pushEvent(UINT message, WPARAM wParam, LPARAM lParam, uintptr_t extraInfo) {
  events.push_back({nullptr, message, wParam, lParam, extraInfo});
}

void FakeWindow::getClientOrigin(int& x, int& y) {
  x = placement.left;
  y = placement.top;
}

void FakeWindow::warpPointer(int x, int y) { warp = {x, y}; }

void FakeWindow::showCursor(bool bShow) { bCursorShown = bShow; }
