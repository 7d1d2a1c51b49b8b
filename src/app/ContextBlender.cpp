#include "app/ContextBlender.h"

ZIB_DEFINE_CLASS(ContextBlender, Context, makeObject<ContextBlender>);
