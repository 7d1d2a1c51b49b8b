#pragma once
// The platform backends the program ships: chosen here and nowhere else.
#include <memory>

#include "platform/Audio.h"
#include "platform/Window.h"

// Registers the graphics backends (OpenGL, and the headless one that draws
// into memory), the input backend (SDL) and the text raster (FreeType) with
// the platform interfaces, and sends what backends log to the engine's log.
void registerBackends();
// The window backend of a desktop session (SDL2).
std::unique_ptr<WindowBackend> makeDesktopWindowBackend();
// The audio output of a desktop session (SDL2).
std::unique_ptr<AudioOutput> makeDesktopAudioOutput();
