#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Context.h"

#include "platform/null/NullDirect3D.h"

void failIfDisplayNamed(const std::u16string& error) {
  if (const char* display = std::getenv("DISPLAY"))
    ADD_FAILURE() << "no window on display " << display << ": " << toUtf8(error);
}

TestPlatform::TestPlatform() = default;

TestPlatform::~TestPlatform() {
  for (auto restore = restores.rbegin(); restore != restores.rend(); ++restore) (*restore)();
}

ManualTimeSource& TestPlatform::clock() {
  if (!manualClock) {
    manualClock = std::make_unique<ManualTimeSource>();
    setTimeSource(manualClock.get());
    onRestore([] { setTimeSource(nullptr); });
  }
  return *manualClock;
}

FakeInputState& TestPlatform::input() {
  if (!fakeInput) {
    fakeInput = std::make_unique<FakeInput>();
    onRestore([this] { fakeInput.reset(); });
  }
  return **fakeInput;
}

void TestPlatform::holdKeys(std::initializer_list<uint8_t> held) {
  FakeInputState& state = input();
  std::fill(std::begin(state.keys), std::end(state.keys), 0);
  for (uint8_t key : held) state.keys[key] = 0x80;
}

void TestPlatform::setWindow(std::unique_ptr<WindowBackend> backend) {
  ::setWindowBackend(std::move(backend));
  onRestore([] { ::setWindowBackend(nullptr); });
}

void TestPlatform::setGraphics(GraphicsBackend backend) {
  const GraphicsBackend previous = getGraphicsBackend();
  resetNullAdapterConfig();
  setGraphicsBackend(backend);
  onRestore([previous] {
    setGraphicsBackend(previous);
    resetNullAdapterConfig();
  });
}

void TestPlatform::failAdapter(const AdapterFailures& failures) {
  FailingAdapter::failures = failures;
  if (bFailingAdapter) return;
  bFailingAdapter = true;
  registerGraphicsBackend(GraphicsBackend::Null, {&FailingAdapter::create, &NullDirect3D::getWorkArea});
  onRestore([] {
    FailingAdapter::failures = {};
    registerGraphicsBackend(GraphicsBackend::Null, {&NullDirect3D::create, &NullDirect3D::getWorkArea});
  });
}

OfflineAudioOutput& TestPlatform::offlineAudio() {
  if (!audioOutput) {
    auto output = std::make_unique<OfflineAudioOutput>();
    audioOutput = output.get();
    setAudioOutput(std::move(output));
    onRestore([] { setAudioOutput(nullptr); });
  }
  return *audioOutput;
}

void TestPlatform::frame(Context& root, std::initializer_list<uint8_t> keys) {
  holdKeys(keys);
  ++zib->frameCounter;
  zib->pZibInput->update();
  root.frameTick(0, 0);
}

void TestPlatform::onRestore(std::function<void()> restore) { restores.push_back(std::move(restore)); }
