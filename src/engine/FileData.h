#pragma once
// One whole file in memory, read through the file manager.
#include <cstdint>
#include <string>

#include "engine/ByteBuffer.h"
#include "engine/ZibBase.h"

// Bytes held by loaded FileData blocks, process-wide (the "memoryfiles" statistic).
extern int64_t residentFileDataBytes;

class FileData : public ZibBase {
 public:
  // With delayed loading on and `bMayDefer`, only checks that the file is
  // there; otherwise loads it now.
  FileData(bool bMayDefer, std::u16string filename);
  ~FileData() override;

  // Reads the whole file unless it is already loaded; fatal when the read
  // comes up short.
  void load();
  void unload();

  ByteBuffer block;
  std::u16string filename;
};
