#pragma once
// One second of a connection's traffic counters.
#include <cstdint>

#include "engine/ZibBase.h"

class NetStatistics : public ZibBase {
 public:
  explicit NetStatistics(double startTime = 0.0);

  void clear();
  // Adds the other record's counters to this one's.
  void add(const NetStatistics& other);

  uint32_t counters[10];
  double startTime;
  double endTime;
  double duration = 1.0;
  // Four groups, each indexed by message type; the first counts messages sent.
  uint32_t messages[4][4];
};
