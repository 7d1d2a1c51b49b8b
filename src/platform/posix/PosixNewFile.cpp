#include "platform/posix/PosixNewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int clearFileName(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0) return errno == ENOENT ? 0 : -1;
  // The name is the program's own: an old file, a link, a FIFO or a socket
  // there goes. A folder may hold someone's files, and a device node is the
  // system's: both stay, and the file is refused.
  if (S_ISDIR(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  return unlink(path) == 0 || errno == ENOENT ? 0 : -1;
}

int openNewFile(const char* path, mode_t mode, int (*clear)(const char* path)) {
  // Someone may put a node back between the unlink and the open: the
  // exclusive open then fails again, and a few rounds later the file is refused.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
    if (clear(path) != 0) return -1;
  }
  errno = EEXIST;
  return -1;
}
