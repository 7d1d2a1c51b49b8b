#pragma once
// A fixed-size record wrapped for storage: compressed with zlib and protected
// by a salted MD5 digest, so that a damaged or edited file is refused whole.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/WriteResult.h"

class SaveContainer {
 public:
  SaveContainer() = default;
  virtual ~SaveContainer() = default;
  SaveContainer(const SaveContainer&) = delete;
  SaveContainer& operator=(const SaveContainer&) = delete;

  // Builds the container of the record; false, with the container empty, for
  // an empty record or when compression fails.
  bool pack(const void* record, uint32_t recordLength, uint32_t salt);
  // Checks and inflates a container; on success the container holds the
  // record. A record of another length than `expectedLength` is refused
  // before anything is allocated for it.
  bool unpack(const void* container, size_t containerLength, uint32_t salt, uint32_t expectedLength);
  // Replaces the file with the container's bytes; an empty container writes nothing.
  WriteResult writeFile(const std::u16string& path) const;
  // Reads the whole file and unpacks it.
  bool readFile(uint32_t salt, const std::u16string& path, uint32_t expectedLength);
  void clear();

  // Size of the fixed header in front of the zlib stream.
  static constexpr size_t kHeaderSize = 68;

  std::unique_ptr<uint8_t[]> data;
  uint32_t length = 0;
  // Why the last read or unpack failed; empty after a success and for a missing file.
  std::u16string refusal;

 private:
  bool refuse(std::u16string why);
};

// Packs the record and writes it to folder + "/" + fileName, salted with the
// file name and the version text. A file that cannot be written is logged,
// with the system's reason, and false returned; the old file stays.
bool saveChecksummedFile(const void* record, uint32_t recordLength, const std::u16string& folder,
                         const std::u16string& fileName, const std::u16string& version);
// Copies the saved record over `destination` when the file is intact and holds
// a record of exactly `recordLength` bytes; otherwise leaves it untouched,
// logs why a file that is there was refused, and returns false. A length of 0
// succeeds without reading.
bool loadChecksummedFile(void* destination, uint32_t recordLength, const std::u16string& folder,
                         const std::u16string& fileName, const std::u16string& version);
