// The program's own costs. In-process, with the null device: an empty frame
// of the engine (no drawing) and start-up to the first frame. With a display
// (Xvfb will do), the real program: the time from its start to its game loop,
// and the CPU it takes running (the reference), paused (a window that lost the
// focus) and minimised (full screen without the focus: its device is lost).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "support/TempFolder.h"
#include "app/GameModules.h"
#include "program/Backends.h"
#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "frontend/TitleScreen.h"
#include "engine/AppShell.h"
#include "base/StringUtils.h"
#include "engine/SystemInfo.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/Renderable.h"
#include "platform/D3D9.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

fs::path dataHome;  // $XDG_DATA_HOME of this run, and of the programs it starts

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_EmptyFrame(benchmark::State& state) {
  Zib root;
  root.pTimeKeeper = new TimeKeeper();
  Context screen;
  for (auto _ : state) root.frame(&screen);
  delete root.pTimeKeeper;
  root.pTimeKeeper = nullptr;
}
BENCHMARK(BM_EmptyFrame);

// As createZIB does it, and the first frame.
void BM_StartUpToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    new Zib(nullptr, nullptr);
    gameGlobal = new GameGlobal();
    gameGlobal->initPreLoader();
    zib->frame(gameGlobal->pContextManager);
    state.PauseTiming();
    delete gameGlobal;
    gameGlobal = nullptr;
    delete zib;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

// The engine and the game as createZIB builds them, run until the title
// screen has drawn its first frame. Null device, an 800 x 480 window; the
// real frame pacing.
void startToTitle() {
  fs::create_directories(toUtf8(getUserDataFolder()));
  std::ofstream(toUtf8(getUserDataFolder()) + "Skerrion2demo.cfg")
      << "[ZibGraphics]\r\nbFullScreen=No\r\nvideoModeWidth=800\r\nvideoModeHeight=480\r\n";
  new Zib(nullptr, nullptr);
  gameGlobal = new GameGlobal();
  gameGlobal->initPreLoader();
  ContextManager* screens = gameGlobal->pContextManager;
  while (!dynamic_cast<TitleScreen*>(screens->getTop())) zib->frame(screens);
  zib->frame(screens);
}

void stopEngine() {
  delete gameGlobal;
  gameGlobal = nullptr;
  delete zib;
}

void BM_StartUpToTitleFrame(benchmark::State& state) {
  for (auto _ : state) {
    startToTitle();
    state.PauseTiming();
    stopEngine();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToTitleFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

// One frame of the title screen (argument 1) against an empty screen on top
// of it (0: no background, pointer or frame rate), unpaced, same device.
void BM_TitleFrame(benchmark::State& state) {
  startToTitle();
  zib->frameTimer.start(1e-9);
  if (state.range(0) == 0) {
    auto* empty = new Context();
    empty->bDeleteWhenFinished = 1;
    empty->bShowBackground = 0;
    empty->bHideFrameRate = 1;
    static_cast<Renderable*>(gameGlobal->pContextManager->pOverlayLayer->firstChild)->bHidden = 1;  // the pointer
    gameGlobal->pContextManager->push(empty);
  }
  for (auto _ : state) zib->frame(gameGlobal->pContextManager);
  stopEngine();
}
BENCHMARK(BM_TitleFrame)->Arg(0)->Arg(1);

// A window of ours that takes the focus from the program, as another
// application would.
void takeFocus() {
  static SDL_Window* const window = [] {
    SDL_Init(SDL_INIT_VIDEO);
    return SDL_CreateWindow("bench_program", 0, 0, 16, 16, SDL_WINDOW_SHOWN);
  }();
  SDL_SetWindowInputFocus(window);
  SDL_PumpEvents();
}

// One run of the real program, from a folder of its own under a name of its
// own (a copy running elsewhere would make it end at once as a second one).
class ProgramRun {
 public:
  explicit ProgramRun(bool bWindowed) {
    const fs::path bin = toUtf8(getProgramFolder());
    folder = dataHome / "program";
    fs::remove_all(folder);
    fs::remove_all(dataHome / "Quillon studios");
    fs::create_directories(folder);
    program = folder / ("skerrion2-bench-" + std::to_string(getpid()));
    std::error_code linkError;
    fs::create_hard_link(bin / "skerrion2", program, linkError);
    if (linkError) fs::copy_file(bin / "skerrion2", program);
    for (const char* file : {"Skerrion2demo.dat", "fonts.dat", "en.language.v2", "de.language.v2", "Skerrion2demo.cfg.static"}) fs::create_symlink(bin / file, folder / file);
    logPath = toUtf8(getUserDataFolder()) + "Skerrion2demo.log";
    if (bWindowed) std::ofstream(toUtf8(getUserDataFolder()) + "Skerrion2demo.cfg") << "[ZibGraphics]\r\nbFullScreen=No\r\n";
  }
  ~ProgramRun() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(folder);
  }

  // Appended to the user configuration before the start.
  void configure(const std::string& text) {
    std::ofstream(toUtf8(getUserDataFolder()) + "Skerrion2demo.cfg", std::ios::app) << text;
  }
  // Resident memory of the running program in kilobytes; 0 once it has ended.
  long residentKilobytes() const {
    const std::string status = readFile("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? 0 : std::strtol(status.c_str() + at + 6, nullptr, 10);
  }
  // Asks the program to end (as a window's close does) and waits; its log.
  std::string stop() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
      pid = -1;
    }
    return readFile(logPath);
  }

  void start() {
    const std::string path = program.string();
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    started = Clock::now();
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) pid = -1;
  }
  // Seconds from the start until `text` is in the log; negative when it never came.
  double waitForLog(const std::string& text) {
    for (const auto end = Clock::now() + 30s; Clock::now() < end; std::this_thread::sleep_for(1ms))
      if (readFile(logPath).find(text) != std::string::npos)
        return std::chrono::duration<double>(Clock::now() - started).count();
    return -1;
  }
  // User and system time of the program so far, in seconds.
  double cpuSeconds() const {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    unsigned long user = 0, system = 0;
    // After "pid (name) state", fields 4 to 13, then utime and stime.
    std::sscanf(stat.c_str() + stat.rfind(')') + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                &system);
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }

 private:
  fs::path folder, program;
  std::string logPath;
  pid_t pid = -1;
  Clock::time_point started;
};

void BM_ProgramStartUp(benchmark::State& state) {
  for (auto _ : state) {
    ProgramRun run(false);
    run.start();
    const double seconds = run.waitForLog("createZIB(): Entering game loop.");
    if (seconds < 0) return state.SkipWithError("the program did not start");
    state.SetIterationTime(seconds);
  }
}

// The whole program's memory once the title screen runs (windowed, 800 x 480).
void BM_ProgramMemoryAfterLoading(benchmark::State& state) {
  for (auto _ : state) {
    ProgramRun run(true);
    run.configure("videoModeWidth=800\r\nvideoModeHeight=480\r\n");
    run.start();
    if (run.waitForLog("createZIB(): Entering game loop.") < 0) return state.SkipWithError("the program did not start");
    std::this_thread::sleep_for(3s);  // loading is done within a second
    state.SetIterationTime(1);
    state.counters["residentMB"] = static_cast<double>(run.residentKilobytes()) / 1024;
  }
}

// The title screen running for ZIB_SOAK_SECONDS in debug mode: resident
// memory after the first minute and at the end, and the shutdown's count of
// objects still allocated (the leak report), which must be 0.
void BM_ProgramSoak(benchmark::State& state, double seconds) {
  for (auto _ : state) {
    ProgramRun run(true);
    run.configure("videoModeWidth=800\r\nvideoModeHeight=480\r\n[Zib]\r\ndebugCode=40917\r\n");
    run.start();
    if (run.waitForLog("createZIB(): Entering game loop.") < 0) return state.SkipWithError("the program did not start");
    const double settle = std::min(60.0, seconds / 4);
    std::this_thread::sleep_for(std::chrono::duration<double>(settle));
    const long early = run.residentKilobytes();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds - settle));
    const long late = run.residentKilobytes();
    const std::string log = run.stop();
    const size_t at = log.find("Objects still allocated (memory leaks?): ");
    if (at == std::string::npos) return state.SkipWithError("no leak report");
    state.SetIterationTime(seconds);
    state.counters["residentMB"] = static_cast<double>(late) / 1024;
    state.counters["growthKB"] = static_cast<double>(late - early);
    state.counters["leakedObjects"] = std::strtod(log.c_str() + at + 41, nullptr);
  }
}

enum class Idle { Running, Paused, Minimised };

void BM_ProgramCpu(benchmark::State& state, Idle idle) {
  for (auto _ : state) {
    ProgramRun run(idle == Idle::Paused);
    run.start();
    if (run.waitForLog("createZIB(): Entering game loop.") < 0) return state.SkipWithError("the program did not start");
    if (idle != Idle::Running) {
      takeFocus();
      if (run.waitForLog("Window focus lost.") < 0) return state.SkipWithError("the focus was not taken");
    }
    std::this_thread::sleep_for(500ms);  // the mode change and its frame
    const double cpuBefore = run.cpuSeconds();
    const auto before = Clock::now();
    std::this_thread::sleep_for(4s);
    const double wall = std::chrono::duration<double>(Clock::now() - before).count();
    state.SetIterationTime(wall);
    state.counters["cpu%"] = (run.cpuSeconds() - cpuBefore) / wall * 100;
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerBackends();
  installGameModules();
  const std::string pattern = makeTempFolder("bench_program");
  if (pattern.empty()) return 1;
  dataHome = pattern;
  setenv("XDG_DATA_HOME", pattern.c_str(), 1);
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  setGraphicsBackend(GraphicsBackend::Null);

  if (std::getenv("DISPLAY")) {
    benchmark::RegisterBenchmark("BM_ProgramStartUp", BM_ProgramStartUp)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("BM_ProgramMemoryAfterLoading", BM_ProgramMemoryAfterLoading)
        ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
    if (const char* soak = std::getenv("ZIB_SOAK_SECONDS"))
      benchmark::RegisterBenchmark("BM_ProgramSoak", BM_ProgramSoak, std::max(std::atof(soak), 4.0))
          ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
    else
      std::printf("bench_program: the soak skipped: ZIB_SOAK_SECONDS=600 runs it for ten minutes\n");
    for (auto [name, idle] : {std::pair{"BM_ProgramCpu/running", Idle::Running},
                              std::pair{"BM_ProgramCpu/paused", Idle::Paused},
                              std::pair{"BM_ProgramCpu/minimised", Idle::Minimised}})
      benchmark::RegisterBenchmark(name, BM_ProgramCpu, idle)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
  } else {
    std::printf("bench_program: the real program's runs skipped: they need a display\n");
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(dataHome);
  return 0;
}
