#pragma once
// Keeps one mounted WAD file open for the life of the file manager.
#include <memory>

#include "engine/DataStream.h"
#include "engine/ZibBase.h"

class WadArchive : public ZibBase {
 public:
  // Takes ownership of the stream.
  explicit WadArchive(DataStream* stream) : stream(stream) {}

  std::unique_ptr<DataStream> stream;
};
