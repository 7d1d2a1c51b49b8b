#include "base/TempFolder.h"

#include <stdlib.h>

#include <cstdlib>
#include <vector>

std::string makeTempFolder(std::string_view prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = base && *base ? base : "/tmp";
  if (pattern.back() != '/') pattern += '/';
  pattern.append(prefix).append("-XXXXXX");
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}
