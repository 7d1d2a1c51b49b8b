#pragma once
// What ties the program to the operating system: version texts, program and
// user-data folders, file helpers, the user's language, command-line options,
// a colour blend and time stamps. None of these reports an error.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The program's arguments after the program name, filled by the application shell.
extern std::vector<std::u16string> commandLineArgs;

std::u16string getPlatformName();
// The edition's name and version: "Skerrion2demo v2.79.p 32bit " (with the trailing blank).
std::u16string getVersionString();

// $XDG_DATA_HOME, else ~/.local/share, created when missing; "." when that fails.
std::u16string getCommonAppDataFolder();
// The common folder + "/<studio>/<name>/<version>/" of the edition
// ("/Quillon studios/Skerrion2demo/2.79/"), each level created.
std::u16string getUserDataFolder();
std::u16string userDataFolderPath();
// Creates one directory with the umask's rights; an existing one is left as it is.
void createSharedDirectory(std::u16string_view path);

// The running program's folder without the trailing "/"; empty when unknown.
std::u16string getProgramFolder();
std::u16string getInstallFolder();
// "Unknown" when it cannot be read.
std::u16string getCurrentFolder();

// True for a regular file that opens for reading.
bool fileExists(std::u16string_view path);
// Copies into a new file at `destination`, replacing what sat there; failures are silent.
void copyFile(std::u16string_view source, std::u16string_view destination);

// The ISO 639 code of the user's locale ("de" for de_DE.UTF-8), "en" when none is set.
std::u16string getSystemLanguageCode();
// Exact, case-sensitive match against `commandLineArgs`.
bool hasCommandLineOption(std::u16string_view option);

// Per ARGB channel: a + t * (b - a), rounded half to even and held to 0..255.
void lerpColor(uint32_t& out, uint32_t a, uint32_t b, float t);

// "%Y-%m-%d %H.%M.%S" (no colons, so it can stand in a file name); empty when
// the time cannot be converted.
std::u16string getTimeStampString(int64_t time);
std::u16string getUtcTimeStampString(int64_t time);
