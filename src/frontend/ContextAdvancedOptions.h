#pragma once
// The presentation options: the video mode, from the graphics manager's list
// in its order, the current one preselected; full screen, the bars that keep
// the screen's shape, bilinear filtering, vertical sync and the detail level.
// Apply stores them in the game's settings, applies them with the chosen
// mode's size (which restarts the presentation), saves them and leaves; Back
// and Escape leave without them, asking first when something was changed.
#include <cstdint>
#include <utility>
#include <vector>

#include "app/ContextMenu.h"

class Global;

class ContextAdvancedOptions : public ContextMenu {
 public:
  // The items in navigation order; `items` keeps the links to them.
  enum Item : int32_t { kVideoMode, kFullScreen, kLetterbox, kBilinearFilter, kVerticalSync, kDetail, kApply, kBack };

  // Deleted once finished.
  explicit ContextAdvancedOptions(Global& global);

  void tickContents(double time, double delta) override;
  void renderContents() override;

  // A selector differs from the settings the screen began with.
  bool hasChanges() const;
  // The chosen settings into the game's settings, applied and saved; then leaves.
  void apply();
  // The item behind `item`'s link; null once it is gone (or never was).
  MenuSelector* selector(Item item) const;
  MenuButton* button(Item item) const;

  Global& global;
  // The sizes the video-mode selector offers, in its order. A window's size
  // that the list lacks comes first, so that the current size is offered.
  std::vector<std::pair<int32_t, int32_t>> modes;
  // The selectors' values when the screen began, by item.
  std::vector<int32_t> initial;
};
