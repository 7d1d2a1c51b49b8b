#pragma once
// The one door to data files: served from the disk or from mounted WAD
// archives, and in creation mode recorded and written out as WADs.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/ClassInfo.h"
#include "engine/WadEntry.h"
#include "engine/ZibBase.h"

class DataStream;

class FileManager {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;
  // In creation mode writes the recorded WADs first.
  virtual ~FileManager();

  // The caller owns the stream; `size` (when not null) receives the file's length.
  DataStream* open(uint32_t* size, std::u16string name);
  DataStream* openDisk(uint32_t* size, std::u16string name);
  DataStream* openWad(uint32_t* size, std::u16string name);

  bool exists(std::u16string name);
  bool existsOnDisk(std::u16string name);
  bool existsInWad(std::u16string name);

  // Each returns only when the file is there.
  void verifyFile(std::u16string name);
  void verifyFileDisk(std::u16string name);
  void verifyFileWad(std::u16string name);

  // The hq2x replacement of a disk file when there is one, else the name.
  std::u16string overridePath(std::u16string name);

  // Mounts a WAD once; in creation mode only selects the WAD being recorded.
  void useWad(std::u16string wadName);

  // Writes the recorded entries of one WAD to "./wad/win/<name>" (".z" added
  // when compressed) and forgets them.
  void saveSubWad(bool compress, std::u16string wadName);
  void saveWads();
  // The writer behind saveSubWad, to any path.
  void writeWad(std::u16string path, bool compress, std::u16string wadName);

  bool bForceDisk = false;
  bool bCreateWad = false;
  bool bUseWad = true;
  // File name (exact, case-sensitive) to entry; the first registration wins.
  std::unordered_map<std::u16string, WadEntry> wadEntries;
  std::u16string currentWad;
  // One WadArchive child per mounted WAD.
  ZibBase openWads;
  // Names of the mounted WADs, apart from the file names so that a file
  // cannot pose as a mounted WAD.
  std::unordered_set<std::u16string> mountedWads;

 private:
  bool useDisk() const { return !bUseWad || bForceDisk; }
  // The path opened for a name: its override, with "\" as "/".
  std::u16string diskPath(const std::u16string& name);
};
