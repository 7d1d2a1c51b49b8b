#pragma once
// Asks whether the screen below should really be left: the question with Yes
// and No buttons, reached like every menu's items. Yes finishes both screens,
// No and Escape only the question. Without its button looks, Enter answers Yes.
#include <string>

#include "app/ContextMenu.h"

class MenuButton;

class ConfirmScreen : public ContextMenu {
 public:
  // Deleted by the screen manager once finished. An empty question takes
  // the target's own (a menu's leaveQuestion), else asks whether to leave.
  explicit ConfirmScreen(Context* target, std::u16string question = {});

  void tickContents(double time, double delta) override;
  // Finishes the question and the screen it asks about.
  void confirm();

  // The screen that is left on confirmation; not owned.
  Context* pTarget;
  std::u16string question;
  // Children; null while the button looks are not loaded.
  MenuButton* pYesButton = nullptr;
  MenuButton* pNoButton = nullptr;
};
