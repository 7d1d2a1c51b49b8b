#include "engine/net/NetStatistics.h"

NetStatistics::NetStatistics(double start) : startTime(start), endTime(start + 1.0) { clear(); }

void NetStatistics::clear() {
  for (uint32_t& c : counters) c = 0;
  for (auto& group : messages)
    for (uint32_t& c : group) c = 0;
}

void NetStatistics::add(const NetStatistics& other) {
  for (int i = 0; i < 10; ++i) counters[i] += other.counters[i];
  for (int g = 0; g < 4; ++g)
    for (int t = 0; t < 4; ++t) messages[g][t] += other.messages[g][t];
}
