#include "engine/SaveContainer.h"

#include <zlib.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <limits>

#include "engine/AppPaths.h"
#include "base/FixedString.h"
#include "engine/FileStream.h"
#include "engine/Logger.h"
#include "engine/Md5.h"
#include "base/Format.h"
#include "base/StringUtils.h"

namespace {

// The user-data folder ends with its separator already: the path keeps one.
std::u16string pathIn(const std::u16string& folder, const std::u16string& fileName) {
  return folder.ends_with(u'/') ? folder + fileName : folder + u"/" + fileName;
}

// The container's header as stored; the digest covers everything from
// `recordLength` to the end of the zlib stream.
struct SaveContainerHeader {
  char editionName[32];
  char version[16];
  uint8_t digest[16];
  uint32_t recordLength;
};
static_assert(sizeof(SaveContainerHeader) == SaveContainer::kHeaderSize);
static_assert(offsetof(SaveContainerHeader, digest) == 0x30);
static_assert(offsetof(SaveContainerHeader, recordLength) == 0x40);
static_assert(std::endian::native == std::endian::little, "the header is stored little-endian");

constexpr size_t kDigestedFrom = offsetof(SaveContainerHeader, recordLength);
// The version of the program writing the container; for identification only.
constexpr char16_t kWriterVersion[] = u"2.79";

}  // namespace

void SaveContainer::clear() {
  data.reset();
  length = 0;
  refusal.clear();
}

bool SaveContainer::pack(const void* record, uint32_t recordLength, uint32_t salt) {
  clear();
  if (recordLength == 0) return false;
  uLongf compressedLength = compressBound(recordLength);
  if (compressedLength > std::numeric_limits<uint32_t>::max() - kHeaderSize) return false;
  auto bytes = std::make_unique_for_overwrite<uint8_t[]>(kHeaderSize + compressedLength);
  if (compress(bytes.get() + kHeaderSize, &compressedLength, static_cast<const Bytef*>(record), recordLength) != Z_OK)
    return false;
  const size_t total = kHeaderSize + compressedLength;

  // Zero-filled first, so that nothing but the texts reaches the disk.
  SaveContainerHeader header{};
  assignFixedString32(header.editionName, applicationName());
  assignFixedString16(header.version, kWriterVersion);
  header.recordLength = recordLength;
  memcpy(bytes.get(), &header, kHeaderSize);
  md5DigestSalted(bytes.get() + offsetof(SaveContainerHeader, digest), salt, bytes.get() + kDigestedFrom,
                  total - kDigestedFrom);

  data = std::move(bytes);
  length = static_cast<uint32_t>(total);
  return true;
}

bool SaveContainer::unpack(const void* container, size_t containerLength, uint32_t salt, uint32_t expectedLength) {
  clear();
  if (containerLength < kHeaderSize) return refuse(u"too short for a container");
  const auto* bytes = static_cast<const uint8_t*>(container);
  uint8_t digest[16];
  md5DigestSalted(digest, salt, bytes + kDigestedFrom, containerLength - kDigestedFrom);
  if (!md5Equal(digest, bytes + offsetof(SaveContainerHeader, digest)))
    return refuse(u"damaged, edited or of another version (its checksum does not match)");

  uint32_t recordLength;
  memcpy(&recordLength, bytes + kDigestedFrom, sizeof recordLength);
  if (recordLength != expectedLength)
    return refuse(formatString(u"a record of %u bytes where %u are expected", recordLength, expectedLength));
  auto record = std::make_unique_for_overwrite<uint8_t[]>(recordLength);
  uLongf inflatedLength = recordLength;
  if (uncompress(record.get(), &inflatedLength, bytes + kHeaderSize, containerLength - kHeaderSize) != Z_OK ||
      inflatedLength != recordLength)
    return refuse(u"its compressed record is damaged");

  data = std::move(record);
  length = recordLength;
  return true;
}

WriteResult SaveContainer::writeFile(const std::u16string& path) const {
  if (!length) return {};
  return writeFileReplacing(path, data.get(), length);
}

bool SaveContainer::readFile(uint32_t salt, const std::u16string& path, uint32_t expectedLength) {
  clear();
  FileStream file(path, FileStream::kRead);
  // A missing file is no refusal: there is nothing saved yet.
  if (!file.isOpen) return errno == ENOENT ? false : refuse(errnoText(errno));
  // No intact container of such a record is longer than this.
  if (file.size > kHeaderSize + compressBound(expectedLength)) return refuse(u"too long for its record");
  auto bytes = std::make_unique_for_overwrite<uint8_t[]>(file.size);
  if (file.read(bytes.get(), file.size) != static_cast<int32_t>(file.size)) return refuse(u"could not be read whole");
  return unpack(bytes.get(), file.size, salt, expectedLength);
}

bool SaveContainer::refuse(std::u16string why) {
  refusal = std::move(why);
  return false;
}

bool saveChecksummedFile(const void* record, uint32_t recordLength, const std::u16string& folder,
                         const std::u16string& fileName, const std::u16string& version) {
  if (recordLength == 0) return true;
  SaveContainer container;
  if (!container.pack(record, recordLength, hashName(fileName + version))) return false;
  const WriteResult result = container.writeFile(pathIn(folder, fileName));
  if (!result.ok()) ZIB_LOG(u"Could not save %s: %s", result.file, result.reason());
  return result.ok();
}

bool loadChecksummedFile(void* destination, uint32_t recordLength, const std::u16string& folder,
                         const std::u16string& fileName, const std::u16string& version) {
  if (recordLength == 0) return true;
  SaveContainer container;
  const std::u16string path = pathIn(folder, fileName);
  if (!container.readFile(hashName(fileName + version), path, recordLength)) {
    if (!container.refusal.empty()) ZIB_LOG(u"Refused %s: %s. The defaults stay.", path, container.refusal);
    return false;
  }
  memcpy(destination, container.data.get(), recordLength);
  return true;
}
