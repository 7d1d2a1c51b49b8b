#include "platform/D3D9.h"

#include <map>

namespace {

GraphicsBackend currentBackend = GraphicsBackend::Gl;

std::map<GraphicsBackend, GraphicsBackendEntry>& registry() {
  static std::map<GraphicsBackend, GraphicsBackendEntry> entries;
  return entries;
}

const GraphicsBackendEntry* currentEntry() {
  const auto found = registry().find(currentBackend);
  return found == registry().end() ? nullptr : &found->second;
}

}  // namespace

void setGraphicsBackend(GraphicsBackend backend) { currentBackend = backend; }

GraphicsBackend getGraphicsBackend() { return currentBackend; }

void registerGraphicsBackend(GraphicsBackend backend, GraphicsBackendEntry entry) { registry()[backend] = entry; }

IDirect3D9* Direct3DCreate9(UINT) {
  const GraphicsBackendEntry* entry = currentEntry();
  return entry && entry->create ? entry->create() : nullptr;
}

bool SystemParametersInfoW(UINT uiAction, UINT, void* pvParam, UINT) {
  if (uiAction != SPI_GETWORKAREA || !pvParam) return false;
  const GraphicsBackendEntry* entry = currentEntry();
  return entry && entry->getWorkArea && entry->getWorkArea(*static_cast<RECT*>(pvParam));
}

namespace {
// Where the last Present put the back buffer in the window.
struct PresentedArea {
  int left = 0, top = 0, width = 0, height = 0;
  int backBufferWidth = 0, backBufferHeight = 0;
};
PresentedArea presented;
}  // namespace

void setPresentedArea(int left, int top, int width, int height, int backBufferWidth, int backBufferHeight) {
  presented = {left, top, width, height, backBufferWidth, backBufferHeight};
}

void clientToBackBuffer(int& x, int& y) {
  const PresentedArea& p = presented;
  if (p.width <= 0 || p.height <= 0) return;
  x = static_cast<int>(static_cast<int64_t>(x - p.left) * p.backBufferWidth / p.width);
  y = static_cast<int>(static_cast<int64_t>(y - p.top) * p.backBufferHeight / p.height);
}

void backBufferToClient(int& x, int& y) {
  const PresentedArea& p = presented;
  if (p.width <= 0 || p.height <= 0 || p.backBufferWidth <= 0 || p.backBufferHeight <= 0) return;
  x = p.left + static_cast<int>(static_cast<int64_t>(x) * p.width / p.backBufferWidth);
  y = p.top + static_cast<int>(static_cast<int64_t>(y) * p.height / p.backBufferHeight);
}
