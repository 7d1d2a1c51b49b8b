#pragma once
// Benchmark support: frames of several implementations of one scene, taken in
// turn within every repetition, so that a busy machine weighs on all of them
// alike. A frame's cost is the CPU time of the whole process (the driver's
// threads included: a software rasteriser does its work there) and its wall
// time. Each repetition keeps the median frame of each implementation and,
// against the first (ours), the median of the rounds' ratios: a round's frames
// are taken back to back, so a change of the machine's load hits both sides of
// a ratio. The table gives, per scene, the median over the repetitions and the
// ratio of ours to each reference with its spread.
#include <functional>
#include <map>
#include <string>
#include <vector>

struct SDL_Window;

// Keeps the process's memory in its heap from the first allocation on. By
// default the C library serves large blocks from fresh pages of their own,
// each touched page a fault, until enough have been freed to raise that
// threshold: a driver that allocates a buffer per draw then costs more or
// less by what ran earlier in the process (up to 2.4 times here).
void keepAllocationsInTheHeap();

// An activation that makes an SDL window's OpenGL context current even when
// SDL believes it already is (another library's may have been made current).
std::function<void()> makeCurrent(SDL_Window* window, void* context);

struct RaceEntry {
  std::string name;
  std::function<void()> activate;  // outside the clock: makes its context current
  std::function<void()> frame;     // one whole frame, finished
};

class FrameRace {
 public:
  // Runs `warmUp` untimed rounds, then rounds of one frame of every entry, the
  // first to go turning round: at least `frames`, and until the first entry has
  // taken `minSeconds` of CPU. Records each entry's median frame under `scene`.
  // Returns the medians in ms of CPU time, by entry.
  std::vector<double> run(const std::string& scene, std::vector<RaceEntry>& entries, int warmUp, int frames,
                          double minSeconds = 0);

  // The table of every scene run, ours first, then each reference: median
  // CPU ms over the repetitions, and ours / it with the repetitions' range.
  void print(const std::string& ours, const std::vector<std::string>& references) const;

 private:
  struct Medians {
    std::vector<double> cpu, wall;
    std::vector<double> ratio;  // the first entry's CPU time over this one's, round by round
  };
  std::vector<std::string> scenes;  // in the order first run
  std::map<std::string, std::map<std::string, Medians>> results;
};
