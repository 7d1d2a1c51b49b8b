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
