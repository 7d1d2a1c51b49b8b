// POSIX body of the file services: regular files only, and the replacing
// writer's lock, flush to the disk and rename.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/StringUtils.h"
#include "platform/Files.h"
#include "platform/posix/PosixNewFile.h"

namespace {

// Why a node of this kind is not used as a file: 0 for a regular file.
int fileTypeError(mode_t mode) { return S_ISREG(mode) ? 0 : S_ISDIR(mode) ? EISDIR : EINVAL; }

// Syncs the folder holding `path`, so that a rename in it survives a power
// cut. A folder that cannot be synced leaves the file saved all the same.
void syncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Whether the regular file at `path` is one that nobody holds, then unlinked
// while this process holds it, so that two writers can never unlink each
// other's file: EBUSY when another writer holds it.
int clearUnheldFile(const char* path) {
  struct stat named, opened;
  if (lstat(path, &named) != 0 || !S_ISREG(named.st_mode)) return clearFileName(path);
  const int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ELOOP) return 0;  // gone or replaced: looked at again
    // A leftover this user may not read (a write-only save's): nobody's to wait for.
    return errno == EACCES ? clearFileName(path) : -1;
  }
  int result = 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    errno = EBUSY;
    result = -1;
  } else if (fstat(fd, &opened) == 0 && lstat(path, &named) == 0 && named.st_dev == opened.st_dev &&
             named.st_ino == opened.st_ino && unlink(path) != 0 && errno != ENOENT) {
    result = -1;
  }
  close(fd);
  return result;
}

// The temporary file of a replace, always a new one, locked and still at its
// name; what sat there before is unlinked, never written.
int openTemporaryFile(const std::string& path) {
  const int fd = openNewFile(path.c_str(), 0666, clearUnheldFile);
  if (fd < 0) {
    if (errno == EEXIST) errno = EBUSY;  // the name kept being taken: left to the other writer
    return -1;
  }
  // On a file system without locks the file is written without one.
  struct stat opened, named;
  const bool bLocked = flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
  if (bLocked && fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino)
    return fd;
  // Another writer took the name meanwhile: the save is left to it.
  close(fd);
  errno = EBUSY;
  return -1;
}

}  // namespace

FILE* openRegularFile(const std::u16string& path, bool bWrite, uint64_t& size) {
  const std::string name = toUtf8(path);
  if (name.find('\0') != std::string::npos) {
    errno = EINVAL;
    return nullptr;
  }
  // Read without blocking, so that a FIFO or device in a file's place is
  // refused at once instead of waiting forever for the other end.
  const int fd = bWrite ? openNewFile(name.c_str(), 0666) : ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  int reason = 0;
  FILE* file = nullptr;
  if (fstat(fd, &info) != 0) reason = errno;
  else reason = fileTypeError(info.st_mode);
  if (!reason && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) reason = errno;
  if (!reason && !(file = fdopen(fd, bWrite ? "wb" : "rb"))) reason = errno;
  if (reason) {
    ::close(fd);
    errno = reason;
    return nullptr;
  }
  size = bWrite ? 0 : static_cast<uint64_t>(info.st_size);
  return file;
}

int replaceFile(const std::u16string& path, const void* bytes, size_t count, std::u16string& failedFile) {
  failedFile = path;
  std::string target = toUtf8(path);
  // A symbolic link stays and its file gets the content, as a write in place would give.
  std::error_code error;
  for (int depth = 0; std::filesystem::is_symlink(std::filesystem::symlink_status(target, error)); ++depth) {
    // Only a link of the user's own (or the system's) is followed: one that
    // someone else put in a shared folder would aim the save at another file.
    struct stat linkInfo;
    if (lstat(target.c_str(), &linkInfo) != 0) return errno;
    if (linkInfo.st_uid != geteuid() && linkInfo.st_uid != 0) return EACCES;
    const std::filesystem::path link(target);
    const std::filesystem::path to = std::filesystem::read_symlink(link, error);
    if (error) return error.value();
    if (depth == 16) return ELOOP;
    target = (to.is_absolute() ? to : link.parent_path() / to).string();
  }
  // Only a regular file is replaced: renaming over a FIFO or a device a link
  // leads to would delete that node. Made read-only (no write permission for
  // anyone), or not ours to write, it is kept.
  struct stat info;
  const bool bExists = stat(target.c_str(), &info) == 0;
  if (bExists) {
    if (const int reason = fileTypeError(info.st_mode)) return reason;
    if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) return EACCES;
    if (access(target.c_str(), W_OK) != 0) return errno;
  }
  // Another copy of the program (under another name) may save the same file
  // at the same moment: the temporary file is locked while it is written and
  // renamed, and a writer that finds it taken leaves that save to the other.
  const std::string written = target + ".tmp";
  failedFile = fromUtf8(written);
  const int fd = openTemporaryFile(written);
  if (fd < 0) return errno;
  int result = 0;
  const auto fail = [&result](int reason) {
    if (!result) result = reason;
    return false;
  };
  // The replacement keeps the old file's permissions: a private save stays private.
  bool ok = !bExists || fchmod(fd, info.st_mode & 07777) == 0 || fail(errno);
  for (size_t done = 0; ok && done < count;) {
    const ssize_t n = write(fd, static_cast<const uint8_t*>(bytes) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0 || fail(n < 0 ? errno : ENOSPC);
    done += ok ? static_cast<size_t>(n) : 0;
  }
  ok = ok && (fsync(fd) == 0 || fail(errno));
  if (ok) failedFile = path;
  ok = ok && (std::rename(written.c_str(), target.c_str()) == 0 || fail(errno));
  if (ok) syncFolderOf(target);
  if (!ok) unlink(written.c_str());
  close(fd);
  return result;
}
