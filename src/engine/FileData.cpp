#include "engine/FileData.h"

#include <memory>

#include "engine/DataStream.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Zib.h"

int64_t residentFileDataBytes = 0;

FileData::FileData(bool bMayDefer, std::u16string filename) : filename(std::move(filename)) {
  if (zib->bEnableDelayedLoad && bMayDefer)
    zib->pFileManager->verifyFile(this->filename);
  else
    load();
}

FileData::~FileData() { unload(); }

void FileData::load() {
  if (block.size || filename.empty()) return;
  uint32_t size = 0;
  const std::unique_ptr<DataStream> stream(zib->pFileManager->open(&size, filename));
  if (size == 0) return;
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
  const int32_t got = stream->read(bytes.get(), size);
  if (got < 0 || static_cast<uint32_t>(got) != size) ZIB_ERROR(u"Read %d of %d bytes of %s.", got, size, filename);
  block.data = bytes.release();
  block.size = size;
  residentFileDataBytes += size;
}

void FileData::unload() {
  residentFileDataBytes -= block.size;
  block.clear();
}
