#include "support/TestPlatform.h"

#include "platform/Keyboard.h"
#include "platform/null/NullDirect3D.h"

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

void TestPlatform::holdKeys(std::initializer_list<uint8_t> held) {
  keys.fill(0);
  for (uint8_t key : held) keys[key] = 0x80;
  if (bKeyboard) return;
  bKeyboard = true;
  setKeyboardStateSource([this](uint8_t state[256]) {
    for (size_t key = 0; key < keys.size(); ++key) state[key] |= keys[key];
  });
  onRestore([] { setKeyboardStateSource({}); });
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

void TestPlatform::onRestore(std::function<void()> restore) { restores.push_back(std::move(restore)); }
