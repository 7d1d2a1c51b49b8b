#pragma once
// A menu screen: its items in navigation order, reached without a mouse. The
// arrow keys and a controller's stick or pad move the pointer from item to
// item; Enter and a controller's first button press where the pointer stands
// (the item under it takes the click as a mouse click). The first key moves
// the input into keyboard mode, where the pointer is drawn on the focused item.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ObjectLink.h"
#include "graphics/Context.h"

class Renderable;

class ContextMenu : public Context {
 public:
  ~ContextMenu() override;

  // Ticks the items, then moves the focus.
  void tickContents(double time, double delta) override;
  // Into keyboard or controller mode: the pointer goes to the focused item.
  void onInputModeChange() override;

  // Appends `item` as a child and as the last item in navigation order.
  void addItem(Renderable* item);
  // Moves the focus (and the pointer) onto item `index`, wrapping around.
  void focusItem(int32_t index);

  // The items in navigation order; links empty themselves when an item goes.
  std::vector<std::unique_ptr<ObjectLink>> items;
  int32_t focusedItem = 0;

 private:
  void navigate();
};
