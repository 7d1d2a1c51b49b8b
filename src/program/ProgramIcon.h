#pragma once
// The program's own icon, compiled in from src/program/skerrion2-icon.tga.
#include "platform/Window.h"

// Its pixels; empty when the compiled-in picture is not a 32-bit uncompressed TGA.
WindowIcon programIcon();
