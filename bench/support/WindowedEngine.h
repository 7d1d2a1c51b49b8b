#pragma once
// Benchmark support: an engine root drawing into a real desktop window on the
// current graphics backend, as the frame benchmarks measure it.
#include <memory>

class MemoryIniFile;
class Zib;

class WindowedEngine {
 public:
  // The root with its logger, error manager and resource manager, and a
  // windowed configuration of width x height without vertical sync.
  WindowedEngine(int width, int height);
  // The graphics manager, the window and the root go, and the window backend.
  ~WindowedEngine();

  MemoryIniFile& config();
  // Opens the window and makes the graphics manager from the configuration so
  // far; false without a display.
  bool open(const char16_t* title);

 private:
  std::unique_ptr<Zib> root;
  int width;
  int height;
};
