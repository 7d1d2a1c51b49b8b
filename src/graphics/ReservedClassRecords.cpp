// Class records of graphics classes that are not built yet. Each
// keeps its place in the numbering until the class's own record replaces it.
#include "engine/ClassInfo.h"
#include "graphics/Context.h"

namespace {

ClassInfo consoleRecord(ClassInfo::Reserved{}, classNameHash(u"Console"), u"Console", &Context::classInfo, nullptr);

}  // namespace
