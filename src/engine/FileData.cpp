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
  // A stream hands at most 2 GiB per read.
  uint32_t done = 0;
  for (int32_t got; done < size && (got = stream->read(bytes.get() + done, size - done)) > 0;) done += got;
  if (done != size) ZIB_ERROR(u"Read %u of %u bytes of %s.", done, size, filename);
  block.data = bytes.release();
  block.size = size;
  residentFileDataBytes += size;
}

void FileData::unload() {
  residentFileDataBytes -= block.size;
  block.clear();
}
