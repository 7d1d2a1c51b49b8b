#include "app/Global.h"

#include <algorithm>

#include "engine/AppPaths.h"
#include "app/ContextManager.h"
#include "app/Loader.h"
#include "engine/ClassInfo.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "engine/Zib.h"

Global::Global() {
  gameConfiguration.load();
  profileManager.load();
}

Global::~Global() {
  if (pContextManager) pContextManager->destroy();
  profileManager.save();
  gameConfiguration.save();
}

// The size lines of a debug build go to the console, which is not there yet.
void Global::initPreLoader() {
  ClassRegistry* m = &getClassRegistry();
  m->assignClassIds();
  ZIB_ASSERT(!m->bBadClasses);
  zib->pFileManager->useWad(baseDirectoryPath() + applicationName() + u".dat");
  pContextManager = new ContextManager();
  pContextManager->push(new Loader(pContextManager));
}

void Global::saveUserData() {
  ZIB_LOG(u"Saving.");
  gameConfiguration.save();
  profileManager.save();
  zib->saveDefaultLanguage();
}

// The audio and video settings reach their managers once those exist.
void Global::applyConfiguration(int32_t, int32_t) {
  // A rate below 1 would stall the frame pacing.
  if (zib->pTimeKeeper) zib->frameTimer.start(1.0 / std::max(gameConfiguration.tickRate, 1));
}
