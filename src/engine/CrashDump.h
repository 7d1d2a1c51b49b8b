#pragma once
// The application's crash filter: a fatal fault writes a minidump to
// crashMiniDumpPath() and, when the engine has a log, copies the log to
// crashLogPath(); then the fault ends the process as it would have without it.

// Installs the filter with those paths; sets ErrorManager::removeCrashFilter.
void installCrashFilter();
