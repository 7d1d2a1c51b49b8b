#include "platform/TextRaster.h"

namespace {
TextRasterOpener registeredOpener = nullptr;
}

void registerTextRasterBackend(TextRasterOpener opener) { registeredOpener = opener; }

std::unique_ptr<TextRasterFont> openTextRasterFont(const std::u16string& faceName, int32_t height) {
  return registeredOpener ? registeredOpener(faceName, height) : nullptr;
}
