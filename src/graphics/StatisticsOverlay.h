#pragma once
// The frame loop's statistics overlay, drawn with the engine's default font
// over everything else when debugLevel asks for it: bit 1 the frame-rate
// line, bit 2 timing and statistics lines, bit 4 the frame-time and memory graphs.
#include <cstdint>
#include <vector>

class StatisticsOverlay {
 public:
  // `savedStats`: the frame's counters as they stood before the overlay drew.
  static void draw(const int32_t* savedStats);
  // Anchors for text rows that hang below their anchor, one per wanted
  // height: each as close to its wish as rows `lineHeight` apart allow, none
  // over another, all between `bottom` and `top`.
  static std::vector<float> placeLabels(const std::vector<float>& wanted, float lineHeight, float bottom, float top);
};
