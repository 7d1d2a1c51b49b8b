#pragma once
// An audio output with no devices: only the no-sound device starts.
#include <memory>

#include "platform/Audio.h"

std::unique_ptr<AudioOutput> makeNullAudioOutput();
