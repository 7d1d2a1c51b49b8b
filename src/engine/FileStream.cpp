#include "engine/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "base/StringUtils.h"

FileStream::FileStream(std::u16string_view path, int mode) {
  const std::string name = toUtf8(path);
  if (name.find('\0') != std::string::npos || !(mode & (kRead | kWrite))) {
    errno = EINVAL;
    return;
  }
  // Opened without blocking, so that a FIFO or device in a file's place is
  // refused at once instead of waiting forever for the other end; only
  // regular files are read or written.
  const bool bRead = mode & kRead;
  const int flags = bRead ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
  const int fd = ::open(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return;
  struct stat info;
  int reason = 0;
  if (fstat(fd, &info) != 0) reason = errno;
  else if (S_ISDIR(info.st_mode)) reason = EISDIR;
  else if (!S_ISREG(info.st_mode)) reason = EINVAL;
  // Only files below 4 GiB have a length that fits `size`.
  else if (bRead && info.st_size > std::numeric_limits<uint32_t>::max()) reason = EFBIG;
  else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) reason = errno;
  if (!reason && !(file = fdopen(fd, bRead ? "rb" : "wb"))) reason = errno;
  if (reason) {
    ::close(fd);
    errno = reason;
    return;
  }
  if (bRead) size = static_cast<uint32_t>(info.st_size);
  isOpen = true;
}

FileStream::~FileStream() { close(); }

int32_t FileStream::read(void* destination, uint32_t count) {
  if (!isOpen) return -1;
  const size_t n = std::min<uint32_t>(count, std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(fread(destination, 1, n, file));
}

void FileStream::seek(uint32_t position) {
  if (isOpen) fseeko(file, position, SEEK_SET);
}

bool FileStream::write(const void* bytes, size_t count) {
  if (!isOpen) return false;
  return fwrite(bytes, 1, count, file) == count;
}

bool FileStream::writeLine(std::u16string_view text) {
  std::string line = toUtf8(text);
  line += "\r\n";
  return write(line.data(), line.size());
}

bool FileStream::flush() { return isOpen && fflush(file) == 0; }

bool FileStream::close() {
  if (!isOpen) return false;
  const bool ok = fclose(file) == 0;
  file = nullptr;
  isOpen = false;
  return ok;
}
