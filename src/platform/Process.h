#pragma once
// The running processes, and the lock that lets one copy of a program run.
#include <cstdint>
#include <string>
#include <vector>

struct ProcessEntry {
  int32_t pid = 0;
  int32_t parentPid = 0;
  // The file name of the running executable; when that cannot be read (another
  // user's process), of the command line's program, else the kernel's name.
  std::u16string exeFileName;
  // The user the process runs as.
  uint32_t userId = 0;
};

// Every live process (zombies left out); empty when the list cannot be read.
// A process that ends while the list is read is left out.
std::vector<ProcessEntry> listProcesses();
int32_t currentProcessId();
// The user this process runs as.
uint32_t currentUserId();

// $XDG_RUNTIME_DIR when it is a folder of this user's own that nobody else may
// enter; else such a folder in /tmp, made when missing; else empty.
std::u16string privateRuntimeFolder();
// Locks the file `path` (made when missing, for this user alone) until this
// process ends: 0 when this process holds it now, else the id of the process
// that holds it; -1 when it cannot be locked.
int32_t lockForTheRun(const std::u16string& path);
