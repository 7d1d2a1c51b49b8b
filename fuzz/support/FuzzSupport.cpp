#include "support/TempFolder.h"
#include "support/FuzzSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/GameModules.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/ZibGraphics.h"
#include "engine/ByteBuffer.h"
#include "engine/MemoryIniFile.h"
#include "platform/D3D9.h"
#include "program/Backends.h"
#include "platform/Audio.h"
#include "support/OfflineAudioOutput.h"
#include "support/QuietGameModules.h"

namespace {

std::filesystem::path dataHome;

void removeDataHome() {
  std::error_code ignored;
  std::filesystem::remove_all(dataHome, ignored);
}

}  // namespace

void fuzzEnsureEngine() {
  if (zib) return;
  dataHome = makeTempFolder("zibfuzz");
  if (dataHome.empty()) std::abort();
  std::atexit(removeDataHome);
  setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  ErrorManager::setFatalHook([](const std::u16string& message) { throw FuzzFatal(toUtf8(message)); });

  installGameModules();
  new Zib();
  zib->pLogger = new Logger();
  zib->pErrorManager = new ErrorManager();
  zib->pResourceManager = new ResourceManager();
}

void fuzzEnsureGraphics() {
  fuzzEnsureEngine();
  if (zib->pZibGraphics) return;
  registerBackends();
  setGraphicsBackend(GraphicsBackend::Null);
  zib->pConfig = new MemoryIniFile(ByteBuffer());
  zib->pConfig->setBool(false, u"ZibGraphics", u"bFullScreen");
  static QuietGameModules quiet;  // an input's fatal report keeps the device
  setZibModules(&quiet);
  zib->pZibGraphics = new ZibGraphics();
}

std::u16string fuzzWriteInput(const uint8_t* data, size_t size, const char* name) {
  fuzzEnsureEngine();
  if (!zib->pFileManager) {
    zib->pFileManager = new FileManager();
    zib->pFileManager->bForceDisk = true;
  }
  const std::string path = (dataHome / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
  return fromUtf8(path);
}

void fuzzDecodeImage(const uint8_t* data, size_t size, const char* extension, int64_t maxPixels) {
  fuzzEnsureEngine();
  if (!zib->pFileManager) {
    zib->pFileManager = new FileManager();
    zib->pFileManager->bForceDisk = true;
  }
  const std::string path = (dataHome / "input").string() + extension;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
  fuzzCatchFatal([&] {
    if (maxPixels) {
      MemoryImageFile header(MemoryImageFile::kImageHeaderOnly, fromUtf8(path));
      if (int64_t(header.width) * header.height > maxPixels) return;
    }
    MemoryImageFile image(0, fromUtf8(path));
  });
}

namespace {

// Mixes on the fuzzing thread, when asked.
OfflineAudioOutput* pullOutput = nullptr;

}  // namespace

void fuzzEnsureAudio() {
  if (pullOutput) return;
  auto output = std::make_unique<OfflineAudioOutput>();
  pullOutput = output.get();
  setAudioOutput(std::move(output));
  if (!BASS_Init(-1, 22050, 0, nullptr, nullptr)) std::abort();
}

void fuzzPullAudio(int frames) {
  static std::vector<float> mix;
  mix.resize(2 * static_cast<size_t>(frames));
  pullOutput->pull(mix.data(), frames);
  for (float v : mix)
    if (!std::isfinite(v)) std::abort();
}
