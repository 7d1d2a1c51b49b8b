// Class records of graphics and text classes that are not built yet. Each
// keeps its place in the numbering until the class's own record replaces it.
#include "engine/ClassInfo.h"
#include "engine/ZibBase.h"

namespace {

ClassInfo fontQuadRecord(ClassInfo::Reserved{}, classNameHash(u"FontQuad"), u"FontQuad", &ZibBase::classInfo, nullptr);
ClassInfo fontGdiRecord(ClassInfo::Reserved{}, classNameHash(u"FontGDI"), u"FontGDI", &ZibBase::classInfo, nullptr);
ClassInfo fontCacheRecord(ClassInfo::Reserved{}, classNameHash(u"FontCache"), u"FontCache", &ZibBase::classInfo,
                          nullptr);
ClassInfo fontCacheEntryRecord(ClassInfo::Reserved{}, classNameHash(u"FontCacheEntry"), u"FontCacheEntry",
                               &ZibBase::classInfo, nullptr);

}  // namespace
