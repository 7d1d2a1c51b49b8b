#pragma once
// The logical screen that the game draws on and points at: 800 by 480 units,
// y up. The graphics manager letterboxes it into the window; without one the
// window is taken to be exactly this screen.
#include <cstdint>

inline constexpr int32_t kLogicalScreenWidth = 800;
inline constexpr int32_t kLogicalScreenHeight = 480;
