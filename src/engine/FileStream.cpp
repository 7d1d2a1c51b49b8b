#include "engine/FileStream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
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

bool writeFileReplacing(const std::u16string& path, const void* bytes, size_t count) {
  std::string target = toUtf8(path);
  // A symbolic link stays and its file gets the content, as a write in place
  // would give; a file we may not write (made read-only) stays as it is.
  std::error_code error;
  for (int depth = 0; std::filesystem::is_symlink(std::filesystem::symlink_status(target, error)); ++depth) {
    const std::filesystem::path link(target);
    const std::filesystem::path to = std::filesystem::read_symlink(link, error);
    if (error || depth == 16) return false;
    target = (to.is_absolute() ? to : link.parent_path() / to).string();
  }
  // Made read-only (no write permission for anyone), or not ours to write.
  struct stat info;
  if (stat(target.c_str(), &info) == 0 &&
      (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || access(target.c_str(), W_OK) != 0))
    return false;
  // Another copy of the program (under another name) may save the same file
  // at the same moment: the temporary file is locked while it is written and
  // renamed, and a writer that finds it taken leaves that save to the other.
  const std::string written = target + ".tmp";
  const int fd = open(written.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat opened, named;
  // On a file system without locks the file is written without one.
  const bool bLocked = flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
  const bool bOurs = bLocked && fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                     stat(written.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
                     named.st_ino == opened.st_ino;
  bool ok = bOurs && ftruncate(fd, 0) == 0;
  for (size_t done = 0; ok && done < count;) {
    const ssize_t n = write(fd, static_cast<const uint8_t*>(bytes) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    done += ok ? static_cast<size_t>(n) : 0;
  }
  ok = ok && fsync(fd) == 0 && std::rename(written.c_str(), target.c_str()) == 0;
  if (bOurs && !ok) unlink(written.c_str());
  close(fd);
  return ok;
}
