#pragma once
// The running processes.
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
