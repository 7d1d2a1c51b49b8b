#pragma once
// What a backend has to tell that no result carries, such as a driver's own
// text on a failure: it goes to the log the program names (the engine's), or
// nowhere while none is named.
#include <string>

// A line from `function` (its qualified name) saying `message`.
using BackendLogSink = void (*)(const std::u16string& function, const std::u16string& message);

// Names the sink (null for none) and gives back the one it replaces.
BackendLogSink setBackendLogSink(BackendLogSink sink);
void logFromBackend(const std::u16string& function, const std::u16string& message);
