#include "platform/posix/PosixRead.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

std::string readSmallFile(int folder, const char* name, size_t limit) {
  std::string text;
  const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  while (text.size() <= limit) {
    const ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return text;
}
