#pragma once
// Test support (also linked by the device benchmark): the presentation
// parameters the tests and benchmarks open devices with.
#include "platform/D3D9.h"

// One discarded X8R8G8B8 back buffer, presented at once.
D3DPRESENT_PARAMETERS presentParameters(UINT width, UINT height, bool bWindowed = true);
