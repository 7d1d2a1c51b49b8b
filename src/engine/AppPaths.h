#pragma once
// The edition the program is and the paths built from it. The engine knows
// the edition only as the game sets it (setEdition) before the root starts.
#include <string>

struct Edition {
  // "Skerrion2demo": the base of the configuration, log, crash and screenshot
  // file names, and the user-data folder's second level.
  std::u16string name;
  // The user-data folder's first level ("Quillon studios").
  std::u16string studio;
  // The user-data folder's last level and the version text's ("2.79").
  std::u16string version;
  // The game window's caption ("Skerrion 2").
  std::u16string windowTitle;
};
void setEdition(Edition edition);
const Edition& edition();

// The edition's name.
std::u16string applicationName();
// The program's folder followed by "/".
std::u16string baseDirectoryPath();

// The user-data folder + "crash." + applicationName() + ".mdmp" / ".log" / ".jpg".
std::u16string crashMiniDumpPath();
std::u16string crashLogPath();
std::u16string crashScreenshotPath();
