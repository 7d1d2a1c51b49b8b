#pragma once
// The game's settings with the high-score tables: one fixed record, saved in
// the user-data folder as applicationName() + ".hst".
#include <cstdint>
#include <type_traits>

// The output rates `sampleRateIndex` chooses from.
inline constexpr int32_t kSampleRates[] = {11025, 22050, 44100};

struct GameConfiguration {
  // Replaces the record with the saved one; a missing or damaged file keeps it.
  bool load();
  void save() const;

  int32_t tickRate = 60;        // frames per second the frame timer paces
  int32_t sampleRateIndex = 1;  // into kSampleRates; 1 is the audio manager's default
  float soundVolume = 1.0f;     // 0 to 1
  float musicVolume = 1.0f;     // 0 to 1
  uint8_t bMute = 0;
  uint8_t bFullScreen = 0;
  uint8_t bAllowLetterbox = 1;
  uint8_t bBilinearFilter = 1;
  uint8_t bVerticalSync = 1;
  uint8_t padding[3] = {};
  int32_t detailLevel = 1;  // 1 and above: high detail
  int32_t videoModeWidth = 800;
  int32_t videoModeHeight = 480;
  // The high-score tables and the settings of the screens to come; zero until
  // those screens lay them out.
  uint8_t reserved[14660] = {};
};
static_assert(sizeof(GameConfiguration) == 14696, "the size of the saved record");
static_assert(std::is_trivially_copyable_v<GameConfiguration>);
