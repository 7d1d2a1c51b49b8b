#include "support/OfflineAudioOutput.h"

int32_t OfflineAudioOutput::open(int32_t index, DWORD rate, Render renderFunction) {
  opened.push_back(index);
  if (failing.contains(index)) return BASS_ERROR_DEVICE;
  frequency = rate;
  render = std::move(renderFunction);
  bOpen = true;
  bPaused = true;
  return BASS_OK;
}

void OfflineAudioOutput::close() {
  bOpen = false;
  render = nullptr;
}

std::vector<float> OfflineAudioOutput::pull(int frames) {
  std::vector<float> out(2 * static_cast<size_t>(frames), 0.0f);
  if (bOpen && !bPaused) render(out.data(), frames);
  return out;
}

ScopedOfflineAudio::ScopedOfflineAudio() {
  auto owned = std::make_unique<OfflineAudioOutput>();
  output = owned.get();
  setAudioOutput(std::move(owned));
}

ScopedOfflineAudio::~ScopedOfflineAudio() { setAudioOutput(nullptr); }
