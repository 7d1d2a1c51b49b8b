#pragma once
// A disk file: mode 1 opens it for reading ("rb") and measures its length,
// mode 2 creates or truncates it for writing ("wb"). A failed open is not
// reported: `isOpen` stays false, errno tells why, and every operation does nothing.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/DataStream.h"
#include "engine/WriteResult.h"

class FileStream : public DataStream {
 public:
  static constexpr int kRead = 1;
  static constexpr int kWrite = 2;

  FileStream(std::u16string_view path, int mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // -1 when not open.
  int32_t read(void* destination, uint32_t count) override;
  void seek(uint32_t position) override;

  // Each returns false when the stream is not open or the write failed.
  bool write(const void* bytes, size_t count);
  // The text as UTF-8 followed by CR LF.
  bool writeLine(std::u16string_view text);
  bool flush();
  // False when the file was not open or the last buffered writes failed.
  bool close();

  uint32_t size = 0;  // length of a file opened for reading, else 0
  bool isOpen = false;
  FILE* file = nullptr;
};

// Writes the bytes to a temporary file beside `path` and renames it over
// `path`, so that a failed or interrupted write leaves the old file whole.
WriteResult writeFileReplacing(const std::u16string& path, const void* bytes, size_t count);
