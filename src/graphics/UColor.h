#pragma once
// 32-bit ARGB colour: alpha in the top byte; in memory blue, green, red, alpha.
#include <cstdint>

using UColor = uint32_t;
