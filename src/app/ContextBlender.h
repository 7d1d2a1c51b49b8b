#pragma once
// A screen of the application framework that carries its class record; it
// has no contents of its own yet.
#include "graphics/Context.h"

class ContextBlender : public Context {
  ZIB_DECLARE_CLASS()
};
