#include "support/TempFolder.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

std::string makeTempFolder(std::string_view prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = base && *base ? base : "/tmp";
  if (pattern.back() != '/') pattern += '/';
  pattern.append(prefix).append("-XXXXXX");
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return {};
  // Absolute, so that a relative TMPDIR still names it after a change of folder.
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::absolute(buffer.data(), error);
  return error ? std::string(buffer.data()) : folder.string();
}
