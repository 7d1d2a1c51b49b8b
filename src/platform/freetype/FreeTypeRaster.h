#pragma once
// The text raster over FreeType, with fontconfig choosing the font file.
#include <memory>
#include <string>

#include "platform/TextRaster.h"

std::unique_ptr<TextRasterFont> openFreeTypeFont(const std::u16string& faceName, int32_t height);
