#pragma once
// The crash filter: a fatal fault (a bad access, a bus error, an arithmetic
// fault, an illegal instruction, an abort) writes a minidump of the faulting
// thread and, while a log is open, copies the log beside it; then the fault
// ends the process as it would have without the filter.
#include <string>

struct CrashFiles {
  std::u16string miniDump;
  std::u16string log, logCopy;
};

// Takes the file paths and installs the filter; again: no change.
void startCrashFilter(const CrashFiles& files);
// Puts back what handled the faults before.
void stopCrashFilter();
// Whether a crash copies the log: set while the engine's log is open.
void setCrashLogOpen(bool bOpen);
// Called first on a fault, within its signal handler (async-signal-safe
// calls only): it ends the process itself when the fault is no crash of ours,
// as one inside the display libraries once the display has gone, or waits
// while another thread ends it. Null: none.
void setFaultHook(void (*hook)());
