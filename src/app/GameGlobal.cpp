#include "app/GameGlobal.h"

GameGlobal::GameGlobal() = default;
