// An output with no devices: only the no-sound device starts.
#include "platform/null/NullAudioOutput.h"

namespace {

class NullAudioOutput final : public AudioOutput {
 public:
  std::vector<Device> listDevices() override { return {}; }
  int32_t open(int32_t, DWORD, Render) override { return BASS_ERROR_DEVICE; }
  void setPaused(bool) override {}
  void close() override {}
};

}  // namespace

std::unique_ptr<AudioOutput> makeNullAudioOutput() { return std::make_unique<NullAudioOutput>(); }
