#include "support/FrameRace.h"

#include <SDL.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdio>

namespace {

double seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t half = values.size() / 2;
  return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

}  // namespace

void keepAllocationsInTheHeap() {
  // A fixed threshold also stops the library from moving it.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 64 << 20);
}

std::function<void()> makeCurrent(SDL_Window* window, void* context) {
  return [window, context] {
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_MakeCurrent(window, context);
  };
}

std::vector<double> FrameRace::run(const std::string& scene, std::vector<RaceEntry>& entries, int warmUp, int frames,
                                   double minSeconds) {
  const size_t count = entries.size();
  std::vector<std::vector<double>> cpu(count), wall(count), ratio(count);
  double firstSpent = 0;
  for (int round = 0; round < warmUp + frames || firstSpent < minSeconds * 1000; ++round) {
    std::vector<double> roundCpu(count);
    for (size_t turn = 0; turn < count; ++turn) {
      const size_t i = (turn + static_cast<size_t>(round)) % count;
      if (entries[i].activate) entries[i].activate();
      const double cpuStart = seconds(CLOCK_PROCESS_CPUTIME_ID), wallStart = seconds(CLOCK_MONOTONIC);
      entries[i].frame();
      roundCpu[i] = (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart) * 1000;
      const double wallTime = seconds(CLOCK_MONOTONIC) - wallStart;
      if (round < warmUp) continue;
      cpu[i].push_back(roundCpu[i]);
      wall[i].push_back(wallTime * 1000);
    }
    if (round < warmUp) continue;
    firstSpent += roundCpu[0];
    for (size_t i = 1; i < count; ++i) ratio[i].push_back(roundCpu[0] / roundCpu[i]);
  }
  if (std::find(scenes.begin(), scenes.end(), scene) == scenes.end()) scenes.push_back(scene);
  std::vector<double> medians;
  for (size_t i = 0; i < count; ++i) {
    Medians& kept = results[scene][entries[i].name];
    kept.cpu.push_back(median(cpu[i]));
    kept.wall.push_back(median(wall[i]));
    kept.ratio.push_back(median(ratio[i]));
    medians.push_back(kept.cpu.back());
  }
  return medians;
}

void FrameRace::print(const std::string& ours, const std::vector<std::string>& references) const {
  std::printf("\nCPU ms a frame (process, driver threads counted; wall ms in brackets), median of the repetitions;\n"
              "ours / reference: median of the repetitions' ratios (each the median of its rounds') [lowest, highest]\n%-24s %18s", "scene",
              ours.c_str());
  for (const std::string& reference : references) std::printf(" %18s %22s", reference.c_str(), "ratio");
  std::printf("\n");
  for (const std::string& scene : scenes) {
    const auto& byName = results.at(scene);
    const auto mine = byName.find(ours);
    if (mine == byName.end()) continue;
    std::printf("%-24s %8.2f (%7.2f)", scene.c_str(), median(mine->second.cpu), median(mine->second.wall));
    for (const std::string& reference : references) {
      const auto other = byName.find(reference);
      if (other == byName.end() || other->second.ratio.empty()) {
        std::printf(" %18s %22s", "-", "-");
        continue;
      }
      const std::vector<double>& ratios = other->second.ratio;
      std::printf(" %8.2f (%7.2f) %6.3f [%5.3f, %5.3f]", median(other->second.cpu), median(other->second.wall),
                  median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                  *std::max_element(ratios.begin(), ratios.end()));
    }
    std::printf("\n");
  }
}
