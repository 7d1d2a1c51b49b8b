// preload: writes the skin description cache (NAME.ini.preload) of every
// image below a folder, with the engine's own texture code, so that the game
// reads only the caches from its WAD.
//   preload DIR
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/GameModules.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/Texture.h"

namespace fs = std::filesystem;

namespace {

// The names the image decoder picks a format by.
bool isImage(const fs::path& path) {
  const std::string extension = path.extension().string();
  return extension == ".tga" || extension == ".bmp" || extension == ".jpg";
}

}  // namespace

int main(int argc, char** argv) {
  installGameModules();
  if (argc != 2) {
    std::fputs("usage: preload DIR\n", stderr);
    return 2;
  }
  std::error_code error;
  if (!fs::is_directory(argv[1], error)) {
    std::fprintf(stderr, "preload: %s is not a folder\n", argv[1]);
    return 1;
  }
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[1]))
    if (entry.is_regular_file() && isImage(entry.path()))
      names.push_back(fs::relative(entry.path(), argv[1]).generic_string());
  std::sort(names.begin(), names.end());

  // Fatal reports (a damaged description names its file) go to stderr and fail the build.
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  ErrorManager::setFatalHook([](const std::u16string&) { std::exit(1); });
  fs::current_path(argv[1]);
  auto* root = new Zib();
  auto* files = new FileManager();
  root->pFileManager = files;
  // Creation mode: the description is read from the disk and its cache written.
  files->bUseWad = false;
  files->bCreateWad = true;
  for (const std::string& name : names) Texture::loadSkinDescription(fromUtf8(name));
  // Nothing to archive here: the packer takes the whole folder.
  files->bCreateWad = false;

  delete files;
  root->pFileManager = nullptr;
  delete root;
  std::printf("preload: %zu skin description caches written.\n", names.size());
  return 0;
}
