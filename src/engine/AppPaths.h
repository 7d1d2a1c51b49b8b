#pragma once
// The application's name and the paths built from it. The engine knows the
// name only as the game sets it (setApplicationName) before the root starts.
#include <string>

void setApplicationName(std::u16string name);
// The edition's name (e.g. "Skerrion2demo"): the base of the configuration,
// log, crash and screenshot file names.
std::u16string applicationName();
// The program's folder followed by "/".
std::u16string baseDirectoryPath();

// The user-data folder + "crash." + applicationName() + ".mdmp" / ".log" / ".jpg".
std::u16string crashMiniDumpPath();
std::u16string crashLogPath();
std::u16string crashScreenshotPath();
