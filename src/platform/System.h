#pragma once
// Desktop and operating-system services of the platform layer.
#include <cstdint>
#include <string>

// Shows a modal error box when a display can be used; otherwise (no display,
// under CI, or with $ZIB_NO_MESSAGE_BOX set) prints the text to stderr, so a
// headless run never blocks. A terminate request (SIGTERM, SIGINT, SIGHUP)
// ends the wait for the box.
void showMessageBox(const std::u16string& title, const std::u16string& text);

// Opens `link` in the desktop's browser, without a shell and without waiting.
void openInBrowser(const std::u16string& link);

// Each empty when unknown.
std::u16string getComputerName();
std::u16string getUserName();
// The running program's full path.
std::u16string getProgramPath();

// The running kernel; false when unknown.
struct SystemVersion {
  std::u16string name, release, version, machine;
};
bool getSystemVersion(SystemVersion& version);

// What GlobalMemoryStatus tells, in bytes.
struct MemoryStatus {
  uint32_t memoryLoad = 0;  // percent of physical memory in use
  int64_t totalPhys = 0, availPhys = 0;
  int64_t totalPageFile = 0, availPageFile = 0;  // memory and swap together
  int64_t totalVirtual = 0, availVirtual = 0;    // this process's address space
};
MemoryStatus getMemoryStatus();
