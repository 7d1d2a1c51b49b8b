// Class records of engine classes that are not built yet. Each keeps its
// place in the numbering until the class's own record replaces it.
#include "engine/ClassInfo.h"
#include "engine/ZibBase.h"

namespace {

ClassInfo soundRecord(ClassInfo::Reserved{}, classNameHash(u"Sound"), u"Sound", &ZibBase::classInfo, nullptr);
ClassInfo zibAudioRecord(ClassInfo::Reserved{}, classNameHash(u"ZibAudio"), u"ZibAudio", &zibAudioRecord, nullptr);
ClassInfo soundChannelRecord(ClassInfo::Reserved{}, classNameHash(u"SoundChannel"), u"SoundChannel",
                             &ZibBase::classInfo, nullptr);

}  // namespace
