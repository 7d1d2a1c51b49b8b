#pragma once
// Fresh temporary folders under $TMPDIR (or /tmp when it is unset or empty).
#include <string>
#include <string_view>

// Creates "<temp>/<prefix>-XXXXXX" and returns its path; "" when it cannot.
std::string makeTempFolder(std::string_view prefix);
