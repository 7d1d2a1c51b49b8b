#pragma once
// Direct3D 9 format and capability names, for the graphics device's log.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3D9.h"

// "D3DFMT_X8R8G8B8"; "unknown(%d)" for a format outside the table.
std::u16string d3dFormatName(D3DFORMAT format);
// Bits per pixel of the colour formats a back buffer may have; 0 for any other.
int32_t d3dFormatBits(D3DFORMAT format);
// The capability dump, one text per log line.
std::vector<std::u16string> describeDeviceCaps(const D3DCAPS9& caps);
