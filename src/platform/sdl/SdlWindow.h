#pragma once
// The window backend over SDL2.
#include <memory>

#include "platform/Window.h"

std::unique_ptr<WindowBackend> makeSdlWindowBackend();
