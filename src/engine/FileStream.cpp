#include "engine/FileStream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "base/StringUtils.h"

FileStream::FileStream(std::u16string_view path, int mode) {
  const std::string name = toUtf8(path);
  if (name.find('\0') != std::string::npos) {
    errno = EINVAL;
    return;
  }
  if (mode & kRead) {
    file = fopen(name.c_str(), "rb");
    if (!file) return;
    // Only regular files below 4 GiB have a length that fits `size`.
    struct stat info;
    int reason = 0;
    if (fstat(fileno(file), &info) != 0) reason = errno;
    else if (S_ISDIR(info.st_mode)) reason = EISDIR;
    else if (!S_ISREG(info.st_mode)) reason = EINVAL;
    else if (info.st_size > std::numeric_limits<uint32_t>::max()) reason = EFBIG;
    if (reason) {
      fclose(file);
      file = nullptr;
      errno = reason;
      return;
    }
    size = static_cast<uint32_t>(info.st_size);
  } else if (mode & kWrite) {
    file = fopen(name.c_str(), "wb");
  }
  isOpen = file != nullptr;
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
