#pragma once
// The player profiles with their saved matches: one fixed record, saved in the
// user-data folder as applicationName() + ".pro".
#include <cstdint>
#include <type_traits>

struct ProfileManager {
  // Replaces the record with the saved one; a missing or damaged file keeps it.
  bool load();
  void save() const;

  // Zero until the players screens lay the profiles out.
  uint8_t reserved[94248] = {};
};
static_assert(sizeof(ProfileManager) == 94248, "the size of the saved record");
static_assert(std::is_trivially_copyable_v<ProfileManager>);
