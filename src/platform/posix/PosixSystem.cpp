// POSIX body of the system services: names, kernel version, memory (from
// /proc) and starting the browser.
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/StringUtils.h"
#include "platform/System.h"
#include "platform/posix/PosixRead.h"

extern char** environ;

namespace {

// The value of a "Name:   123 kB" line of a /proc table, in bytes; -1 when missing.
int64_t kilobyteValue(std::string_view table, std::string_view name) {
  for (size_t at = 0; at < table.size();) {
    const size_t end = std::min(table.find('\n', at), table.size());
    const std::string_view line = table.substr(at, end - at);
    if (line.size() > name.size() && line.starts_with(name) && line[name.size()] == ':')
      return std::strtoll(std::string(line.substr(name.size() + 1)).c_str(), nullptr, 10) * 1024;
    at = end + 1;
  }
  return -1;
}

}  // namespace

void openInBrowser(const std::u16string& link) {
  const std::string target = toUtf8(link);
  char program[] = "xdg-open";
  char* const argv[] = {program, const_cast<char*>(target.c_str()), nullptr};
  pid_t pid;
  posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
}

std::u16string getComputerName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) return {};
  return fromUtf8(name);
}

std::u16string getUserName() {
  if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name) return fromUtf8(entry->pw_name);
  const char* name = std::getenv("USER");
  return name ? fromUtf8(name) : std::u16string();
}

std::u16string getProgramPath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return length > 0 ? fromUtf8(std::string_view(path, static_cast<size_t>(length))) : std::u16string();
}

bool getSystemVersion(SystemVersion& version) {
  utsname system{};
  if (uname(&system) != 0) return false;
  version = {fromUtf8(system.sysname), fromUtf8(system.release), fromUtf8(system.version), fromUtf8(system.machine)};
  return true;
}

MemoryStatus getMemoryStatus() {
  const std::string memory = readSmallFile(AT_FDCWD, "/proc/meminfo"), self = readSmallFile(AT_FDCWD, "/proc/self/status");
  const auto value = [](std::string_view table, std::string_view name) {
    return std::max<int64_t>(kilobyteValue(table, name), 0);
  };
  MemoryStatus status;
  status.totalPhys = value(memory, "MemTotal");
  const int64_t available = kilobyteValue(memory, "MemAvailable");
  status.availPhys = available >= 0 ? available : value(memory, "MemFree");
  if (status.totalPhys > 0)
    status.memoryLoad = static_cast<uint32_t>((status.totalPhys - status.availPhys) * 100 / status.totalPhys);
  status.totalPageFile = status.totalPhys + value(memory, "SwapTotal");
  status.availPageFile = status.availPhys + value(memory, "SwapFree");
  // The stack sits at the top of the user address space, whose size is a power of two.
  int probe = 0;
  status.totalVirtual = static_cast<int64_t>(std::bit_ceil(reinterpret_cast<uintptr_t>(&probe)));
  status.availVirtual = status.totalVirtual - value(self, "VmSize");
  return status;
}
