#include "engine/SystemInfo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "engine/AppPaths.h"
#include "engine/FileStream.h"
#include "base/Format.h"
#include "base/StringUtils.h"
#include "platform/System.h"

std::vector<std::u16string> commandLineArgs;

namespace {

std::filesystem::path toPath(std::u16string_view path) { return std::filesystem::path(toUtf8(path)); }

std::u16string formatTime(int64_t time, bool utc) {
  const time_t t = static_cast<time_t>(time);
  tm parts;
  if (!(utc ? gmtime_r(&t, &parts) : localtime_r(&t, &parts))) return {};
  char text[256];
  const size_t length = strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", &parts);
  return fromUtf8(std::string_view(text, length));
}

}  // namespace

std::u16string getPlatformName() { return u"WIN"; }

std::u16string getVersionString() {
  return formatString(u"%s v%s.%s %s %s", edition().name, edition().version, u"p", u"32bit", u"");
}

std::u16string getCommonAppDataFolder() {
  std::string folder;
  // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory
  // convention asks: it would scatter the user's files by the current folder.
  if (const char* xdg = getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    folder = xdg;
  } else if (const char* home = getenv("HOME"); home && *home) {
    folder = std::string(home) + "/.local/share";
  } else {
    return u".";
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return u".";
  return fromUtf8(folder);
}

std::u16string getUserDataFolder() {
  const std::u16string common = getCommonAppDataFolder();
  std::u16string folder = common;
  for (const std::u16string* level : {&edition().studio, &edition().name, &edition().version}) {
    folder += u'/' + *level;
    createSharedDirectory(folder);
  }
  // Else the user would look for the log and the saves where the environment points.
  static std::atomic_flag bToldWhere;
  if (common == u"." && !bToldWhere.test_and_set()) {
    std::error_code error;
    const std::string where = std::filesystem::absolute(toPath(folder), error).lexically_normal().string();
    std::fprintf(stderr, "%s: no usable data folder from XDG_DATA_HOME or HOME; the log, configuration and saves go to %s\n",
                 toUtf8(edition().windowTitle).c_str(), error ? toUtf8(folder).c_str() : where.c_str());
  }
  return folder + u"/";
}

std::u16string userDataFolderPath() { return getUserDataFolder(); }

void createSharedDirectory(std::u16string_view path) {
  // With the umask's rights: the folders hold one user's files, and a group
  // that could write them could put links and FIFOs in the files' places.
  std::error_code error;
  std::filesystem::create_directory(toPath(path), error);
}

std::u16string getProgramFolder() {
  const std::u16string program = getProgramPath();
  const size_t slash = program.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  return program.substr(0, slash);
}

std::u16string getInstallFolder() { return getProgramFolder() + u"/"; }

std::u16string getCurrentFolder() {
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  return error ? u"Unknown" : fromUtf8(folder);
}

bool fileExists(std::u16string_view path) { return FileStream(path, FileStream::kRead).isOpen; }

void copyFile(std::u16string_view source, std::u16string_view destination) {
  // Through the file streams: the copy is a new file of its own, whatever sat at its name.
  FileStream in(source, FileStream::kRead);
  if (!in.isOpen) return;
  FileStream out(destination, FileStream::kWrite);
  char buffer[1 << 16];
  for (int32_t got; out.isOpen && (got = in.read(buffer, sizeof buffer)) > 0;)
    if (!out.write(buffer, static_cast<size_t>(got))) break;
}


std::u16string getSystemLanguageCode() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    if (!value || !*value) continue;
    const std::string_view locale(value);
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (language.empty() || language == "C" || language == "POSIX") break;
    return fromUtf8(language);
  }
  return u"en";
}

bool hasCommandLineOption(std::u16string_view option) {
  return std::find(commandLineArgs.begin(), commandLineArgs.end(), option) != commandLineArgs.end();
}

void lerpColor(uint32_t& out, uint32_t a, uint32_t b, float t) {
  out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double from = (a >> shift) & 0xFF, to = (b >> shift) & 0xFF;
    const double value = std::nearbyint(from + t * (to - from));
    // Written so that NaN lands on 0.
    const uint32_t channel = value >= 255 ? 255 : value > 0 ? static_cast<uint32_t>(value) : 0;
    out |= channel << shift;
  }
}

std::u16string getTimeStampString(int64_t time) { return formatTime(time, false); }

std::u16string getUtcTimeStampString(int64_t time) { return formatTime(time, true); }
