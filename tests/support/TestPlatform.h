#pragma once
// The one way a test replaces the platform: the clock and every sleep, the
// keyboard, the window and the graphics backend. Whatever a test installs
// through it is put back by its destructor, also when the test body throws.
// Fakes added later (input, audio, text) register their restore with onRestore.
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/D3D9.h"
#include "platform/Window.h"
#include "support/FailingAdapter.h"
#include "support/FakeInput.h"
#include "support/ManualTimeSource.h"
#include "support/OfflineAudioOutput.h"

// Without a window a test skips, unless a display was named ($DISPLAY): then, as
// under ./test.sh's Xvfb, the display should have been there and it is a failure.
class Context;

void failIfDisplayNamed(const std::u16string& error);

class TestPlatform {
 public:
  TestPlatform();
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  // The one clock and sleep (timeGetTime, the counter, Sleep, timers, waits):
  // installed on first use, moving only when told or slept on.
  ManualTimeSource& clock();
  // The scripted keyboard and game controllers that DirectInput8Create
  // gives from now on: installed on first use.
  FakeInputState& input();
  // The keys held down from now on, as the scripted keyboard reads them.
  void holdKeys(std::initializer_list<uint8_t> keys);
  // Makes `backend` the window backend; the previous state comes back as "none".
  void setWindow(std::unique_ptr<WindowBackend> backend);
  // Which graphics backend Direct3DCreate9 gives; the null adapter starts
  // from its defaults and is put back to them.
  void setGraphics(GraphicsBackend backend);
  // The headless backend fails what `failures` names (FailingAdapter).
  void failAdapter(const AdapterFailures& failures);
  // The audio output: an offline one that mixes only when the test pulls;
  // owned by the audio layer, which is freed when it goes.
  OfflineAudioOutput& offlineAudio();
  // One frame of a screen stack: `keys` held, the engine's input read, `root` ticked.
  void frame(Context& root, std::initializer_list<uint8_t> keys = {});
  // Runs `restore` from the destructor, last registered first.
  void onRestore(std::function<void()> restore);

 private:
  std::unique_ptr<ManualTimeSource> manualClock;
  std::unique_ptr<FakeInput> fakeInput;
  bool bFailingAdapter = false;
  OfflineAudioOutput* audioOutput = nullptr;
  std::vector<std::function<void()>> restores;
};
