// Class records of engine classes that are not built yet. Each keeps its
// place in the numbering until the class's own record replaces it.
#include "engine/ClassInfo.h"
#include "engine/ZibBase.h"

namespace {

ClassInfo zibInputRecord(ClassInfo::Reserved{}, classNameHash(u"ZibInput"), u"ZibInput", &zibInputRecord, nullptr);

}  // namespace
