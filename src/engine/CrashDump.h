#pragma once
// The application's crash filter: a fatal fault writes a minidump to
// crashMiniDumpPath() and, when the engine has a log, copies the log to
// crashLogPath(); then the fault ends the process as it would have without it.

// Installs the filter with those paths.
void installCrashFilter();
// Puts back the handlers that were there before (a reported failure's exit
// is no crash); nothing when none are installed.
void uninstallCrashFilter();
