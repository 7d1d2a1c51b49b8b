#pragma once
// The game object of this game.
#include "app/Global.h"

class Context;

class GameGlobal : public Global {
 public:
  GameGlobal();

  // The screen running the match in progress; not owned.
  Context* pCurrentGameController = nullptr;
};
