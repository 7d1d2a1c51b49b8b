#pragma once
// The pixel formats that surfaces and textures hold, and conversion of rows
// between them through 32-bit ARGB.
#include <cstdint>

#include "platform/D3D9.h"

// Bytes per pixel; 0 for a format no surface can hold.
int bytesPerPixel(D3DFORMAT format);
bool formatHasAlpha(D3DFORMAT format);

// Converts `count` pixels. Formats without alpha read as opaque.
void convertPixels(const uint8_t* source, D3DFORMAT sourceFormat, uint8_t* dest, D3DFORMAT destFormat, int count);
