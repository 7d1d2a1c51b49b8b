#pragma once
// Integer point.
#include <cstdint>

struct PointI {
  int32_t x;
  int32_t y;
};
