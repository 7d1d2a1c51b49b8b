#pragma once
// The minidump writer behind the crash filter (platform/CrashFilter.h).
#include <signal.h>
#include <ucontext.h>

// Writes the minidump of a fault to an open file: system information, the
// exception, the faulting thread with its registers and stack, the loaded
// modules. Async-signal-safe. False when a write failed.
bool writeMiniDump(int fd, int signalNumber, const siginfo_t& info, const ucontext_t& context);
