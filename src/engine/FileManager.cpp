#include "engine/FileManager.h"

#include <zlib.h>
#include <zopfli/zlib_container.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "engine/ErrorManager.h"
#include "engine/FileData.h"
#include "engine/FileStream.h"
#include "engine/Logger.h"
#include "engine/MemoryFile.h"
#include "base/StringUtils.h"
#include "engine/SystemInfo.h"
#include "engine/WadArchive.h"
#include "engine/Zib.h"

ZIB_DEFINE_ROOT_CLASS(FileManager, nullptr);

namespace {

// Deflate cannot expand data more than about 1032 times; an entry claiming
// more is damaged and must not size an allocation.
constexpr uint64_t kMaxInflateRatio = 1032;

// The game's data names may separate folders with backslashes. An absolute
// path comes from the system (the program's folder, the user-data folder),
// where a backslash is an ordinary character of a folder's name.
std::u16string withSlashes(std::u16string path) {
  if (!path.starts_with(u'/')) std::replace(path.begin(), path.end(), u'\\', u'/');
  return path;
}

WadEntry makeEntry(const std::u16string& filename, const std::u16string& wadName, uint32_t offset = 0,
                   uint32_t size = 0, uint32_t storedSize = 0) {
  WadEntry entry;
  entry.filename = filename;
  entry.wadName = wadName;
  entry.offset = offset;
  entry.size = size;
  entry.storedSize = storedSize;
  return entry;
}

}  // namespace

FileManager::FileManager() { ZIB_LOG(u"Starting..."); }

FileManager::~FileManager() {
  ZIB_LOG(u"%d opened WAD files.", openWads.countChildren());
  if (bCreateWad) saveWads();
  // openWads' destructor then closes the archives.
}

DataStream* FileManager::open(uint32_t* size, std::u16string name) {
  return useDisk() ? openDisk(size, std::move(name)) : openWad(size, std::move(name));
}

DataStream* FileManager::openDisk(uint32_t* size, std::u16string name) {
  const std::u16string path = diskPath(name);
  auto stream = std::make_unique<FileStream>(path, FileStream::kRead);
  if (!stream->isOpen) {
    const int error = errno;
    ZIB_ERROR(u"Failed to open file '%s' (errno %d:%s, cwd %s)", path, error, errnoText(error), getCurrentFolder());
  }
  if (size) *size = stream->size;
  if (bCreateWad && !bForceDisk) {
    if (wadEntries.contains(name))
      ZIB_LOG(u"Skipping already existing file '%s' in wad creation.", name);
    else
      wadEntries.emplace(name, makeEntry(name, currentWad));
  }
  return stream.release();
}

DataStream* FileManager::openWad(uint32_t* size, std::u16string name) {
  const auto found = wadEntries.find(name);
  if (found == wadEntries.end()) ZIB_ERROR(u"WAD entry %s not found.", name);
  const WadEntry& entry = found->second;

  std::unique_ptr<DataStream> stream(openDisk(nullptr, entry.wadName));
  stream->seek(entry.offset);
  if (entry.storedSize == entry.size) {
    if (size) *size = entry.size;
    return stream.release();
  }

  // Mounting bounded storedSize by the file and size by the deflate ratio.
  const uLong compressedSize = entry.storedSize;
  const std::unique_ptr<Bytef[]> compressedBuffer(new Bytef[compressedSize]);
  const Bytef* compressedData = compressedBuffer.get();
  const int32_t got = stream->read(compressedBuffer.get(), entry.storedSize);
  if (got < 0 || static_cast<uLong>(got) != compressedSize)
    ZIB_ERROR(u"WAD entry %s: read %d of %d bytes from %s.", name, got, entry.storedSize, entry.wadName);
  stream.reset();

  auto memory = std::make_unique<MemoryFile>(entry.size);
  Bytef* uncompressedData = memory->buffer;
  const uLongf correctUncompressedSize = entry.size;
  uLongf uncompressedSize = correctUncompressedSize;
  ZIB_ASSERT(uncompress(uncompressedData, &uncompressedSize, compressedData, compressedSize) == Z_OK);
  ZIB_ASSERT(correctUncompressedSize == uncompressedSize);
  if (size) *size = entry.size;
  return memory.release();
}

bool FileManager::exists(std::u16string name) {
  return useDisk() ? existsOnDisk(std::move(name)) : existsInWad(std::move(name));
}

bool FileManager::existsOnDisk(std::u16string name) { return fileExists(diskPath(name)); }

bool FileManager::existsInWad(std::u16string name) { return wadEntries.contains(name); }

void FileManager::verifyFile(std::u16string name) {
  if (useDisk())
    verifyFileDisk(std::move(name));
  else
    verifyFileWad(std::move(name));
}

void FileManager::verifyFileDisk(std::u16string name) {
  if (existsOnDisk(name)) return;
  const int error = errno;
  ZIB_ERROR(u"File %s verification failed (errno %d:%s, cwd %s)", name, error, errnoText(error), getCurrentFolder());
}

void FileManager::verifyFileWad(std::u16string name) {
  if (!existsInWad(name)) ZIB_ERROR(u"File '%s' does not exist.", name);
}

std::u16string FileManager::overridePath(std::u16string name) {
  if (zib->hq2x == 2) {
    std::u16string path = formatString(u"override.hq2x/%s", name);
    if (fileExists(withSlashes(path))) return path;
  }
  return name;
}

std::u16string FileManager::diskPath(const std::u16string& name) { return withSlashes(overridePath(name)); }

void FileManager::useWad(std::u16string wadName) {
  if (zib->hq2x == 2) wadName += u".hq2x";
  currentWad = wadName;
  if (bCreateWad || !bUseWad || mountedWads.contains(wadName)) return;
  mountedWads.insert(wadName);
  openWads.appendChild(new WadArchive(openDisk(nullptr, wadName)));

  // The directory is checked whole before anything is registered, and no
  // allocation exceeds the file's own length.
  uint32_t fileSize = 0;
  std::unique_ptr<DataStream> stream(openDisk(&fileSize, wadName));
  WadHeader header{};
  if (fileSize < sizeof(header) || stream->read(&header, sizeof(header)) != static_cast<int32_t>(sizeof(header)))
    ZIB_ERROR(u"WAD %s is shorter than its header (%d bytes).", wadName, fileSize);
  const uint32_t wadVersion = header.version;
  ZIB_ASSERT(wadVersion == WAD_VERSION);
  if (header.count > (fileSize - sizeof(header)) / sizeof(WadDiskEntry))
    ZIB_ERROR(u"WAD %s: a directory of %u entries does not fit in %u bytes.", wadName, header.count, fileSize);

  std::vector<WadDiskEntry> records(header.count);
  const uint32_t directoryBytes = header.count * sizeof(WadDiskEntry);
  if (stream->read(records.data(), directoryBytes) != static_cast<int32_t>(directoryBytes))
    ZIB_ERROR(u"WAD %s: its directory cannot be read.", wadName);
  stream.reset();

  std::vector<std::u16string> names;
  names.reserve(records.size());
  for (WadDiskEntry& record : records) {
    if (record.filename[0] & 0x80)
      for (uint8_t& byte : record.filename) byte ^= WAD_NAME_KEY;
    const auto* bytes = reinterpret_cast<const char*>(record.filename);
    std::u16string name = fromUtf8(std::string_view(bytes, strnlen(bytes, WADDISKENTRY_FILENAME_BYTESIZE)));
    if (uint64_t(record.offset) + record.storedSize > fileSize)
      ZIB_ERROR(u"WAD %s: entry %s lies past the end of the file.", wadName, name);
    if (record.storedSize != record.size && record.size > record.storedSize * kMaxInflateRatio)
      ZIB_ERROR(u"WAD %s: entry %s has an implausible size of %u bytes.", wadName, name, record.size);
    names.push_back(std::move(name));
  }

  for (size_t i = 0; i < records.size(); ++i) {
    const WadDiskEntry& record = records[i];
    if (!zib->bRelease)
      ZIB_LOG(u"%s WAD contents: %s @ %d (%d/%d bytes) %s", wadName, names[i], record.offset, record.storedSize,
              record.size, record.storedSize == record.size ? u"OK" : u"COMPRESSED");
    wadEntries.try_emplace(names[i], makeEntry(names[i], wadName, record.offset, record.size, record.storedSize));
  }
}

void FileManager::saveSubWad(bool compress, std::u16string wadName) {
  std::u16string path = formatString(u"%s%s", u"./wad/win/", wadName);
  if (compress) path += u".z";
  writeWad(std::move(path), compress, std::move(wadName));
}

void FileManager::saveWads() {
  // WADs in name order, so that the shared generator's draws, and with them
  // the files, repeat from run to run.
  while (!wadEntries.empty()) {
    const auto first = std::min_element(wadEntries.begin(), wadEntries.end(), [](const auto& a, const auto& b) {
      return a.second.wadName < b.second.wadName;
    });
    saveSubWad(false, first->second.wadName);
  }
}

// The writer reports as the WAD saver its callers know.
#pragma push_macro("ZIB_FUNCTION")
#undef ZIB_FUNCTION
#define ZIB_FUNCTION std::u16string(u"FileManager::saveSubWad")
void FileManager::writeWad(std::u16string path, bool compress, std::u16string wadName) {
  std::vector<WadEntry*> entries;
  for (auto& [name, entry] : wadEntries)
    if (entry.wadName == wadName) entries.push_back(&entry);
  // Name order makes the archive reproducible.
  std::sort(entries.begin(), entries.end(), [](const WadEntry* a, const WadEntry* b) { return a->filename < b->filename; });
  const auto count = static_cast<uint32_t>(entries.size());

  std::vector<std::string> names;
  names.reserve(count);
  for (const WadEntry* entry : entries) {
    std::string utf8Name = toUtf8(entry->filename);
    // The UTF-8 form and its NUL must fit the field, and an ASCII first byte
    // keeps the scrambled flag (bit 7) unambiguous.
    ZIB_ASSERT(utf8Name.size() < WADDISKENTRY_FILENAME_BYTESIZE);
    ZIB_ASSERT(static_cast<uint8_t>(utf8Name[0]) < 0x80);
    names.push_back(std::move(utf8Name));
  }

  const bool oldForceDisk = bForceDisk;
  bForceDisk = true;
  for (WadEntry* entry : entries) {
    FileData file(false, entry->filename);
    entry->size = file.block.size;
    entry->data.assign(file.block.data, file.block.data + file.block.size);
    entry->storedSize = entry->writeSize = entry->size;
    if (!compress) continue;
    const ZopfliOptions options{.verbose = 0,
                                .verbose_more = 0,
                                .numiterations = 1,
                                .blocksplitting = 1,
                                .blocksplittinglast = 0,
                                .blocksplittingmax = 15};
    unsigned char* packed = nullptr;
    size_t packedSize = 0;
    ZopfliZlibCompress(&options, entry->data.data(), entry->data.size(), &packed, &packedSize);
    // Stored raw unless compression saves at least 2 percent.
    if (static_cast<float>(packedSize) < 0.98f * static_cast<float>(entry->size)) {
      entry->data.assign(packed, packed + packedSize);
      entry->storedSize = entry->writeSize = static_cast<uint32_t>(packedSize);
    }
    std::free(packed);
  }
  bForceDisk = oldForceDisk;

  std::error_code fsError;
  const std::filesystem::path target(toUtf8(path));
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), fsError);
  const std::u16string tempPath = path + u".tmp";
  FileStream out(tempPath, FileStream::kWrite);
  if (!out.isOpen) {
    const int error = errno;
    ZIB_ERROR(u"Cannot create WAD %s (errno %d:%s, cwd %s)", path, error, errnoText(error), getCurrentFolder());
  }

  const WadHeader header{WAD_VERSION, count};
  bool bWritten = out.write(&header, sizeof(header));
  ZIB_LOG(u"Writing: WAD %s (%d entries).", wadName, count);

  uint64_t totalOffset = sizeof(WadHeader) + uint64_t(count) * sizeof(WadDiskEntry);
  for (uint32_t i = 0; i < count; ++i) {
    WadEntry& entry = *entries[i];
    WadDiskEntry record;
    for (uint8_t& byte : record.filename) byte = static_cast<uint8_t>(randomNext() % 255);
    std::memcpy(record.filename, names[i].c_str(), names[i].size() + 1);
    for (uint8_t& byte : record.filename) byte ^= WAD_NAME_KEY;
    entry.fillBytes = totalOffset % 8 ? 8 - totalOffset % 8 : 0;
    totalOffset += entry.fillBytes;
    ZIB_ASSERT(totalOffset % 8 == 0);
    ZIB_ASSERT(totalOffset + entry.writeSize <= std::numeric_limits<uint32_t>::max());
    record.offset = static_cast<uint32_t>(totalOffset);
    record.size = entry.size;
    record.storedSize = entry.writeSize;
    bWritten &= out.write(&record, sizeof(record));
    totalOffset += entry.writeSize;
  }

  static constexpr uint8_t zeros[8] = {};
  for (const WadEntry* entry : entries) {
    bWritten &= out.write(zeros, entry->fillBytes);
    ZIB_LOG(u"Writing: %s (%d/%d bytes).", entry->filename, entry->storedSize, entry->size);
    bWritten &= out.write(entry->data.data(), entry->writeSize);
  }
  bWritten &= out.close();
  if (bWritten) std::filesystem::rename(std::filesystem::path(toUtf8(tempPath)), target, fsError);
  if (!bWritten || fsError) {
    const int error = fsError ? fsError.value() : errno;
    std::filesystem::remove(std::filesystem::path(toUtf8(tempPath)), fsError);
    ZIB_ERROR(u"Failed to write WAD %s (errno %d:%s)", path, error, errnoText(error));
  }

  for (const WadEntry* entry : entries) wadEntries.erase(std::u16string(entry->filename));
}
#pragma pop_macro("ZIB_FUNCTION")
