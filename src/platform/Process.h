#pragma once
// The running processes, read from /proc.
#include <cstdint>
#include <string>
#include <vector>

struct ProcessEntry {
  int32_t pid = 0;
  int32_t parentPid = 0;
  // The file name of the running executable; when that cannot be read (another
  // user's process), of the command line's program, else the kernel's name.
  std::u16string exeFileName;
};

// Every live process (zombies left out); empty when /proc cannot be read.
std::vector<ProcessEntry> listProcesses();
