// POSIX body of the process list, read from /proc, and of the run's lock.
// Processes come and go while the list is read: each file is read with plain
// system calls, and a process whose files are gone is left out.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/StringUtils.h"
#include "platform/posix/PosixRead.h"
#include "platform/Process.h"

namespace {

std::string_view fileNameOf(std::string_view path) { return path.substr(path.rfind('/') + 1); }

std::string exeFileNameOf(int folder) {
  char target[4096];
  const ssize_t length = readlinkat(folder, "exe", target, sizeof(target) - 1);
  if (length > 0) {
    std::string_view exe(target, static_cast<size_t>(length));
    // A program replaced while it runs still counts under its own name.
    constexpr std::string_view deleted = " (deleted)";
    if (exe.ends_with(deleted)) exe.remove_suffix(deleted.size());
    if (!exe.empty()) return std::string(fileNameOf(exe));
  }
  const std::string commandLine = readSmallFile(folder, "cmdline");
  const std::string_view program = std::string_view(commandLine).substr(0, commandLine.find('\0'));
  if (!program.empty()) return std::string(fileNameOf(program));
  std::string comm = readSmallFile(folder, "comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return comm;
}

// False when the process has gone or is a zombie.
bool readProcess(int folder, ProcessEntry& process) {
  struct stat info;
  if (fstat(folder, &info) != 0) return false;
  process.userId = info.st_uid;
  // "pid (comm) state ppid ...": the name may hold blanks and parentheses.
  const std::string stat = readSmallFile(folder, "stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 4 >= stat.size()) return false;
  const char state = stat[close + 2];
  if (state == 'Z' || state == 'X') return false;
  // The fields after the name: state, ppid, then the start time as the 20th.
  const char* field = stat.data() + close + 2;
  const char* const end = stat.data() + stat.size();
  for (int index = 0; index < 19 && field < end; ++index) {
    if (index == 1) std::from_chars(field, end, process.parentPid);
    field = std::find(field, end, ' ');
    if (field != end) ++field;
  }
  if (field < end) std::from_chars(field, end, process.startTime);
  process.exeFileName = fromUtf8(exeFileNameOf(folder));
  return !process.exeFileName.empty();  // empty: gone meanwhile
}

}  // namespace

std::vector<ProcessEntry> listProcesses() {
  std::vector<ProcessEntry> processes;
  DIR* proc = opendir("/proc");
  if (!proc) return processes;
  while (const dirent* entry = readdir(proc)) {
    const std::string_view name = entry->d_name;
    ProcessEntry process;
    const auto [rest, parseError] = std::from_chars(name.data(), name.data() + name.size(), process.pid);
    if (parseError != std::errc() || rest != name.data() + name.size()) continue;
    // One folder handle for all of its files: a process id reused meanwhile
    // cannot mix two processes' files.
    const int folder = openat(dirfd(proc), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) continue;
    if (readProcess(folder, process)) processes.push_back(std::move(process));
    close(folder);
  }
  closedir(proc);
  return processes;
}

int32_t currentProcessId() { return static_cast<int32_t>(getpid()); }

uint32_t currentUserId() { return static_cast<uint32_t>(geteuid()); }

namespace {

// A folder of this user's own that nobody else may enter, made when missing;
// one that is a link or someone else's is not used.
bool usePrivateFolder(const std::string& folder) {
  if (folder.size() < 2 || folder[0] != '/') return false;
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info;
  return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & 077) == 0;
}

std::string homeFolderOfUser() {
  char buffer[4096];
  passwd entry, *found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_dir) return {};
  return found->pw_dir;
}

constexpr int32_t kHeldByNoId = -2;

// 0 when this process holds the lock on `path` now, the holder's id, -1 when
// no lock can be had there, or kHeldByNoId.
int32_t lockFile(const std::string& path) {
  // Left open: closing any handle of the file would let the lock go.
  // Not through a link, nor onto a FIFO or a device someone put there.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  // A record lock rather than flock(): the system names its holder. The holder
  // may end between the two calls; then the lock is tried again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd, F_SETLK, &lock) == 0) return 0;
    if ((errno != EACCES && errno != EAGAIN) || fcntl(fd, F_GETLK, &lock) != 0) break;
    if (lock.l_type != F_UNLCK) {
      close(fd);
      // A holder in another process namespace has no id here.
      return lock.l_pid > 0 ? static_cast<int32_t>(lock.l_pid) : kHeldByNoId;
    }
  }
  close(fd);
  return -1;
}

}  // namespace

int32_t lockForTheRun(std::u16string_view name) {
  const std::string file = "/" + toUtf8(name);
  if (file.find_first_of(std::string_view("/\0", 2), 1) != std::string::npos) return -1;
  // Every copy tries the folders in the same order and stops at the first
  // lock it can take or finds held, so copies never hold different locks
  // while the folders stay as they are.
  // A lock held by a process with no id here is held all the same: the
  // process list decides rather than another folder's lock.
  const std::string tmpFolder = "/tmp/zib-" + std::to_string(geteuid());
  if (usePrivateFolder(tmpFolder))
    if (const int32_t holder = lockFile(tmpFolder + file); holder != -1) return std::max(holder, -1);
  const std::string home = homeFolderOfUser();
  if (!home.empty() && usePrivateFolder(home + "/.zib"))
    if (const int32_t holder = lockFile(home + "/.zib" + file); holder != -1) return std::max(holder, -1);
  return -1;
}
