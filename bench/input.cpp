// Input costs: one poll with four controllers and ten live contacts, the
// focus tracker's step over a tree of 10,000 objects, and (with a display,
// Xvfb will do) the latency from an SDL event to the key slot and to the
// pointer through the event pump, the window messages and the poll.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/AppShell.h"
#include "engine/Logger.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/input/PointerFocusTracker.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"
#include "platform/Input.h"
#include "program/Backends.h"
#include "platform/Window.h"

namespace {

// Four pads and a keyboard that always read, with a little of everything held.
class ScriptedDevice final : public IDirectInputDevice8 {
 public:
  explicit ScriptedDevice(bool bKeyboard) : bKeyboard(bKeyboard) {}
  int32_t SetCooperativeLevel(void*, uint32_t) override { return DI_OK; }
  int32_t SetDataFormat(DIDATAFORMAT) override { return DI_OK; }
  int32_t SetRange(uint32_t, int32_t, int32_t) override { return DI_OK; }
  int32_t Acquire() override { return DI_OK; }
  int32_t Unacquire() override { return DI_OK; }
  int32_t Poll() override { return DI_OK; }
  int32_t GetDeviceState(uint32_t size, void* data) override {
    if (bKeyboard) {
      std::memset(data, 0, size);
      static_cast<uint8_t*>(data)[DIK_SPACE] = 0x80;
      return DI_OK;
    }
    DIJOYSTATE state = {600, -300, 0, 0, 0, 0, {0, 0}, {4500, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, {0x80}};
    std::memcpy(data, &state, sizeof state);
    return DI_OK;
  }

 private:
  bool bKeyboard;
};

class ScriptedInput final : public IDirectInput8 {
 public:
  int32_t CreateKeyboard(std::unique_ptr<IDirectInputDevice8>& device) override {
    device = std::make_unique<ScriptedDevice>(true);
    return DI_OK;
  }
  int32_t CreateDevice(uint32_t, std::unique_ptr<IDirectInputDevice8>& device) override {
    device = std::make_unique<ScriptedDevice>(false);
    return DI_OK;
  }
  int32_t EnumGameControllers(const std::function<int32_t(const DIDEVICEINSTANCE&)>& callback) override {
    for (uint32_t i = 0; i < 4; ++i) callback({i, u"Pad", u"Pad"});
    return DI_OK;
  }
};

// A bare root with a logger writing into a temporary folder, removed afterwards.
struct BareEngine {
  BareEngine() {
    if (mkdtemp(folder)) setenv("XDG_DATA_HOME", folder, 1);
    root = std::make_unique<Zib>();
    root->pLogger = new Logger();
  }
  ~BareEngine() {
    root.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  char folder[32] = "/tmp/zibbench-XXXXXX";
  std::unique_ptr<Zib> root;
};

void BM_PollFourControllersTenContacts(benchmark::State& state) {
  BareEngine engine;
  setDirectInputFactory([] { return std::make_unique<ScriptedInput>(); });
  auto* input = zib->pZibInput = new ZibInput();
  for (int i = 0; i < 10; ++i) {
    auto* contact = new TouchContact();
    contact->rawPos = contact->startRawPos = Vector3(10.0f * i, 20, 0);
    contact->pressFrame = 1;  // held from then on
    contact->tag = i + 1;
    input->contactList.appendChild(contact);
  }
  for (auto _ : state) {
    ++zib->frameCounter;
    input->update();
    benchmark::DoNotOptimize(input->keys);
  }
  setDirectInputFactory({});
}
BENCHMARK(BM_PollFourControllersTenContacts);

struct Box : ZibBase {
  bool hitTest() override { return bHit; }
  bool bHit = false;
};

void BM_FocusTrackerOver10000Objects(benchmark::State& state) {
  BareEngine engine;
  setDirectInputFactory([] { return std::make_unique<ScriptedInput>(); });
  zib->pZibInput = new ZibInput();
  zib->pFocusTracker = new PointerFocusTracker();
  auto* tree = new ZibBase();
  for (int group = 0; group < 100; ++group) {
    auto* parent = new Box();
    tree->appendChild(parent);
    for (int i = 0; i < 99; ++i) parent->appendChild(new Box());
  }
  static_cast<Box*>(tree->firstChild->firstChild)->bHit = true;  // the last one a walk from the top reaches
  for (auto _ : state) zib->pFocusTracker->update(tree);
  benchmark::DoNotOptimize(zib->pFocusTracker->getHover());
  tree->destroy();
  setDirectInputFactory({});
}
BENCHMARK(BM_FocusTrackerOver10000Objects)->Unit(benchmark::kMicrosecond);

// From SDL_PushEvent to the slot or the pointer: pump, dispatch, poll.
void measureLatency(benchmark::State& state, bool bMouse) {
  BareEngine engine;
  // One window for the run: SDL's video does not always come back once quit.
  static std::u16string error;
  static const HWND window = [] {
    setWindowBackend(makeDesktopWindowBackend());
    HWND opened = CreateWindow(u"bench_input", windowProc, 0, 0, 800, 480, &error);
    if (opened) ShowWindow(opened, SW_SHOWNORMAL);
    return opened;
  }();
  if (!window) {
    state.SkipWithError(("no window: " + toUtf8(error)).c_str());
    return;
  }
  zib->hWindowHandle = window;
  auto* input = zib->pZibInput = new ZibInput();
  const Uint32 windowId = SDL_GetWindowID(static_cast<SDL_Window*>(GetNativeWindowHandle(window)));
  const auto frame = [&] {
    MSG message;
    while (PeekMessage(message, PM_REMOVE)) DispatchMessage(message);
    ++zib->frameCounter;
    input->update();
  };
  for (int i = 0; i < 10; ++i) frame();  // shown, focused, devices acquired
  int64_t frames = 0, x = 0, totalPolls = 0;
  for (auto _ : state) {
    SDL_Event event = {};
    if (bMouse) {
      x = (x + 7) % 700;
      event.type = SDL_MOUSEMOTION;
      event.motion.windowID = windowId;
      event.motion.x = static_cast<Sint32>(x);
      event.motion.y = 100;
    } else {
      event.type = (frames & 1) ? SDL_KEYUP : SDL_KEYDOWN;
      event.key.windowID = windowId;
      event.key.keysym.scancode = SDL_SCANCODE_SPACE;
    }
    SDL_PushEvent(&event);
    int64_t polls = 0;
    do {
      frame();
      ++polls;
    } while (polls < 10 && (bMouse ? input->pointerPos.x != static_cast<float>(x)
                                   : input->isKeyDown(DIK_SPACE) != !(frames & 1)));
    ++frames;
    totalPolls += polls;
  }
  // The polls it took, the one after the event included: 1 is "seen at the next frame".
  state.counters["polls"] = benchmark::Counter(static_cast<double>(totalPolls), benchmark::Counter::kAvgIterations);
}

void BM_KeyEventToSlot(benchmark::State& state) { measureLatency(state, false); }
void BM_MouseEventToPointer(benchmark::State& state) { measureLatency(state, true); }
BENCHMARK(BM_KeyEventToSlot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MouseEventToPointer)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  registerBackends();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
