// wadpack: builds, lists and reads WAD archives through the engine's own file manager.
//   wadpack pack OUT DIR [--compress]   every file below DIR, named by its relative path
//   wadpack list WAD                    name, size, stored size, offset (tab-separated)
//   wadpack cat WAD NAME                the entry's bytes to stdout
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/GameModules.h"
#include "engine/DataStream.h"
#include "engine/ErrorManager.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"

namespace fs = std::filesystem;

namespace {

int usage() {
  std::fputs("usage: wadpack pack OUT DIR [--compress]\n"
             "       wadpack list WAD\n"
             "       wadpack cat WAD NAME\n",
             stderr);
  return 2;
}

int pack(FileManager& files, const fs::path& out, const fs::path& dir, bool compress) {
  std::error_code error;
  if (!fs::is_directory(dir, error)) {
    std::fprintf(stderr, "wadpack: %s is not a folder\n", dir.c_str());
    return 1;
  }
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), dir).generic_string());
  std::sort(names.begin(), names.end());

  // Entries are recorded as creation mode opens them, by their names relative to DIR.
  const fs::path target = fs::absolute(out);
  fs::current_path(dir);
  files.bUseWad = false;
  files.bCreateWad = true;
  files.useWad(fromUtf8(target.filename().string()));
  for (const std::string& name : names) delete files.open(nullptr, fromUtf8(name));
  files.writeWad(fromUtf8(target.string()), compress, files.currentWad);
  return 0;
}

int list(FileManager& files, const char* wad) {
  files.useWad(fromUtf8(wad));
  std::vector<const WadEntry*> entries;
  for (const auto& [name, entry] : files.wadEntries)
    if (entry.wadName == files.currentWad) entries.push_back(&entry);
  std::sort(entries.begin(), entries.end(), [](const WadEntry* a, const WadEntry* b) { return a->filename < b->filename; });
  for (const WadEntry* entry : entries)
    std::printf("%s\t%u\t%u\t%u\n", toUtf8(entry->filename).c_str(), entry->size, entry->storedSize, entry->offset);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int cat(FileManager& files, const char* wad, const char* name) {
  files.useWad(fromUtf8(wad));
  const FileData data(false, fromUtf8(name));
  const size_t written = data.block.size ? std::fwrite(data.block.data, 1, data.block.size, stdout) : 0;
  return written == data.block.size && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  installGameModules();
  if (argc < 3) return usage();
  const std::string command = argv[1];

  // Fatal reports go to stderr (never a dialog box) and end the run with status 1.
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  ErrorManager::setFatalHook([](const std::u16string&) { std::exit(1); });
  // A bare root without a logger: the tool leaves nothing in the user-data folder.
  auto* root = new Zib();
  // A fixed seed makes packing reproducible.
  seedRandom(0);
  root->pFileManager = new FileManager();

  int status;
  if (command == "pack" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "--compress") == 0)))
    status = pack(*root->pFileManager, argv[2], argv[3], argc == 5);
  else if (command == "list" && argc == 3)
    status = list(*root->pFileManager, argv[2]);
  else if (command == "cat" && argc == 4)
    status = cat(*root->pFileManager, argv[2], argv[3]);
  else
    status = usage();

  delete root->pFileManager;
  root->pFileManager = nullptr;
  delete root;
  return status;
}
