#pragma once
// The running processes, and the lock that lets one copy of a program run.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ProcessEntry {
  int32_t pid = 0;
  int32_t parentPid = 0;
  // The file name of the running executable; when that cannot be read (another
  // user's process), of the command line's program, else the kernel's name.
  std::u16string exeFileName;
  // The user the process runs as.
  uint32_t userId = 0;
  // When it started, in the system's clock ticks since boot: orders copies
  // started together the same way in every copy's list.
  uint64_t startTime = 0;
};

// Every live process (zombies left out); empty when the list cannot be read.
// A process that ends while the list is read is left out.
std::vector<ProcessEntry> listProcesses();
int32_t currentProcessId();
// The user this process runs as.
uint32_t currentUserId();

// Locks the file `name` (made when missing, for this user alone) until this
// process ends: 0 when this process holds it now, else the id of the process
// that holds it; -1 when it cannot be locked. The file lives in a folder of
// this user's own chosen from the user id alone, whatever the environment
// says, so that every copy of the user finds the same one: /tmp/zib-<uid>,
// else (taken by someone else, or no regular file in the lock's place) the
// folder ".zib" in the home folder the user database names.
int32_t lockForTheRun(std::u16string_view name);
