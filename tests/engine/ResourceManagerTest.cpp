#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Format.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "support/EngineFixture.h"

class ResourceManagerTest : public EngineTest {};

TEST_F(ResourceManagerTest, NamesMatchExactlyAndAnObjectKeepsItsFirstName) {
  ResourceManager manager;
  ZibBase texture, sound, unnamed;
  manager.addResource(&texture, u"a");
  manager.addResource(&texture, u"alias");
  manager.addResource(&sound, u"A");
  EXPECT_EQ(manager.find(true, u"alias"), &texture);
  EXPECT_EQ(manager.find(true, u"A"), &sound);
  EXPECT_EQ(manager.find(false, u"a "), nullptr);
  EXPECT_EQ(toUtf8(manager.getResourceName(&texture)), "a");
  EXPECT_EQ(toUtf8(manager.getResourceName(&unnamed)), "");
  EXPECT_FATAL(manager.find(true, u"missing"), "Could not find resource 'missing'.");
  EXPECT_FATAL(manager.addResource(&unnamed, u"A"), "map.find(key) == map.end()");
  EXPECT_EQ(manager.find(true, u"A"), &sound);
}

TEST_F(ResourceManagerTest, ShutdownCountsRegistrationsAndLeavesObjectsAlive) {
  std::vector<ZibBase*> objects;
  auto* manager = new ResourceManager;
  for (int i = 0; i < 97; ++i) {
    objects.push_back(new ZibBase);
    manager->addResource(objects.back(), formatString(u"res%d", i));
  }
  delete manager;
  EXPECT_EQ(root->objectList.countChildren(), 97u);
  for (ZibBase* object : objects) object->destroy();
  delete root;  // closes the log
  root = nullptr;
  const std::string log = logText();
  EXPECT_NE(log.find("ResourceManager::~ResourceManager(): Destroying 97 resources."), std::string::npos);
}
