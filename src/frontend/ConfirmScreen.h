#pragma once
// Asks whether the screen below should really be left: Enter (or the Yes
// button) finishes both, Escape only the question.
#include "graphics/Context.h"

class ConfirmScreen : public Context {
 public:
  // Deleted by the screen manager once finished.
  explicit ConfirmScreen(Context* target);

  void tickContents(double time, double delta) override;
  // Finishes the question and the screen it asks about.
  void confirm();

  // The screen that is left on confirmation; not owned.
  Context* pTarget;
};
