#pragma once
// The crash filter: a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT)
// writes a minidump of the faulting thread to crashMiniDumpPath() and, when the
// engine has a log, copies the log to crashLogPath(); then the signal ends the
// process as it would have without the filter.
#include <signal.h>
#include <ucontext.h>

// Prepares the file paths and the signal stack and installs the handlers.
void installCrashFilter();
// Puts back the handlers that were there before (a reported failure's exit
// is no crash); nothing when none are installed.
void uninstallCrashFilter();

// Writes the minidump of a fault to an open file: system information, the
// exception, the faulting thread with its registers and stack, the loaded
// modules. Async-signal-safe. False when a write failed.
bool writeMiniDump(int fd, int signalNumber, const siginfo_t& info, const ucontext_t& context);
