#include "engine/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include "base/StringUtils.h"
#include "platform/Files.h"

FileStream::FileStream(std::u16string_view path, int mode) {
  if (!(mode & (kRead | kWrite))) {
    errno = EINVAL;
    return;
  }
  const bool bRead = mode & kRead;
  uint64_t length = 0;
  FILE* opened = openRegularFile(std::u16string(path), !bRead, length);
  if (!opened) return;
  // Only files below 4 GiB have a length that fits `size`.
  if (bRead && length > std::numeric_limits<uint32_t>::max()) {
    fclose(opened);
    errno = EFBIG;
    return;
  }
  file = opened;
  if (bRead) size = static_cast<uint32_t>(length);
  isOpen = true;
}

FileStream::~FileStream() { close(); }

int32_t FileStream::read(void* destination, uint32_t count) {
  if (!isOpen) return -1;
  const size_t n = std::min<uint32_t>(count, std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(fread(destination, 1, n, file));
}

void FileStream::seek(uint32_t position) {
  if (isOpen) fseek(file, static_cast<long>(position), SEEK_SET);
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

WriteResult writeFileReplacing(const std::u16string& path, const void* bytes, size_t count) {
  WriteResult result;
  result.error = replaceFile(path, bytes, count, result.file);
  return result;
}
