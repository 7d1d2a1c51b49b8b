#include "platform/BackendLog.h"

#include <utility>

namespace {
BackendLogSink currentSink = nullptr;
}

BackendLogSink setBackendLogSink(BackendLogSink sink) { return std::exchange(currentSink, sink); }

void logFromBackend(const std::u16string& function, const std::u16string& message) {
  if (currentSink) currentSink(function, message);
}
