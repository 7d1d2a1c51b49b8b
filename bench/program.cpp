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

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "base/TempFolder.h"
#include "app/GameModules.h"
#include "program/Backends.h"
#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "engine/AppShell.h"
#include "base/StringUtils.h"
#include "engine/SystemInfo.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
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
    for (const char* file : {"Skerrion2demo.dat", "Skerrion2demo.cfg.static"}) fs::create_symlink(bin / file, folder / file);
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
