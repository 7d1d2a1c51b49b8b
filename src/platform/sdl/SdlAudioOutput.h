#pragma once
// The audio output of a desktop session: an SDL2 audio device.
#include <memory>

#include "platform/Audio.h"

std::unique_ptr<AudioOutput> makeSdlAudioOutput();
