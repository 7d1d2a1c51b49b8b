// Audio output through an SDL2 audio device, stereo float, fed by the mixer
// from SDL's audio thread.
#include <SDL.h>
#include <dlfcn.h>

#include "platform/sdl/SdlAudioOutput.h"

namespace {

// ALSA prints its own errors on standard error: on a machine without a sound
// card, two dozen lines while SDL probes its drivers, though the outcome
// (a muted program) is already in the log. The library is the one SDL loads
// (same soname), so its error handler, set here first, is the one SDL's
// calls meet. Without ALSA there is nothing to quiet.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaErrors() {
  static const bool bDone = [] {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return true;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
      set(ignoreAlsaError);
    // Kept loaded: unloading would bring the default handler back.
    return true;
  }();
  (void)bDone;
}

class SdlAudioOutput final : public AudioOutput {
 public:
  ~SdlAudioOutput() override {
    close();
    if (subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  std::vector<Device> listDevices() override {
    std::vector<Device> list;
    if (!startSubsystem()) return list;
    const char* driver = SDL_GetCurrentAudioDriver();
    const std::string driverName = driver ? driver : "";
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i)
      if (const char* name = SDL_GetAudioDeviceName(i, 0)) list.push_back({name, driverName});
    // Drivers such as "disk" name no devices but open their default one.
    if (list.empty() && driver) list.push_back({"SDL " + driverName + " output", driverName});
    names = list;
    return list;
  }

  int32_t open(int32_t index, DWORD frequency, Render render) override {
    close();
    if (!startSubsystem()) return BASS_ERROR_DRIVER;
    callback = std::move(render);
    SDL_AudioSpec want{}, have{};
    want.freq = static_cast<int>(frequency);
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = [](void* self, Uint8* stream, int bytes) {
      static_cast<SdlAudioOutput*>(self)->callback(reinterpret_cast<float*>(stream), bytes / static_cast<int>(2 * sizeof(float)));
    };
    want.userdata = this;
    // A named device only when it is one SDL listed; otherwise the default.
    const char* name = index >= 0 && index < SDL_GetNumAudioDevices(0) && index < static_cast<int32_t>(names.size())
                           ? names[static_cast<size_t>(index)].name.c_str()
                           : nullptr;
    device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (device == 0) return BASS_ERROR_DEVICE;
    bufferFrames = have.samples;
    rate = frequency;
    return BASS_OK;
  }

  void setPaused(bool paused) override {
    if (device) SDL_PauseAudioDevice(device, paused ? 1 : 0);
  }

  void close() override {
    if (device) SDL_CloseAudioDevice(device);
    device = 0;
  }

  DWORD latencyMs() override { return rate ? bufferFrames * 1000 / rate : 0; }

 private:
  bool startSubsystem() {
    if (!subsystemStarted) {
      silenceAlsaErrors();
      subsystemStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return subsystemStarted;
  }

  bool subsystemStarted = false;
  SDL_AudioDeviceID device = 0;
  Render callback;
  std::vector<Device> names;
  DWORD bufferFrames = 0, rate = 0;
};

}  // namespace

std::unique_ptr<AudioOutput> makeSdlAudioOutput() { return std::make_unique<SdlAudioOutput>(); }
