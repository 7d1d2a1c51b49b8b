#pragma once
// Helpers shared by the sound classes.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/TimeKeeper.h"
#include "engine/Zib.h"

namespace audio_time {

// Whole milliseconds of a slide; 0 (set at once) for no time, negative or NaN.
inline uint32_t slideMilliseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<uint32_t>(std::min(seconds * 1000.0, 4294967295.0));
}

inline double now() { return zib->pTimeKeeper ? zib->pTimeKeeper->getElapsedTime() : 0.0; }

}  // namespace audio_time
