#include "graphics/Renderable.h"

#include <cmath>
#include <numbers>

#include "engine/ResourceManager.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyPointer.h"
#include "graphics/Camera.h"
#include "graphics/Context.h"
#include "graphics/Skin.h"
#include "graphics/ZibGraphics.h"
#include "support/GraphicsFixture.h"

namespace {

class RenderableTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    makeGraphics();
  }
};

TEST_F(RenderableTest, TransformAppliesItsStepsInOrderAndBoundsFollowRotation) {
  Skin skin;
  skin.width = 100;
  skin.height = 50;
  skin.offset = Vector3(10, 0, 0);
  skin.setAlignment(5);  // anchor on the offset
  Renderable r;
  r.pSkin = &skin;
  r.bHasInvXform = 1;
  r.scale = Vector3(2, 2, 1);
  r.scale2 = Vector3(1, 3, 1);
  r.rotation.z = std::numbers::pi_v<float> / 2;
  D3DXMATRIX pre, post;
  r.setPreXform(*D3DXMatrixTranslation(&pre, 1, 0, 0));
  r.setPostXform(*D3DXMatrixTranslation(&post, 0, 0, 7));
  r.setPosition(5, 6, 0);
  // pre (61, 25), anchor (51, 25), scale (102, 50), roll (-50, 102),
  // scale2 (-50, 306), position (-45, 312), post z 7.
  expectNear(r.local2world(Vector3(60, 25, 0)), Vector3(-45, 312, 7));
  expectNear(r.world2local(Vector3(-45, 312, 7)), Vector3(60, 25, 0));

  r.setPreXform(*D3DXMatrixIdentity(&pre));
  r.setPostXform(*D3DXMatrixIdentity(&post));
  expectNear(r.boundCentre, Vector3(5, 6, 0));
  // Corner (50, 25) from the anchor: (100, 50), rolled (-50, 100), (-50, 300).
  EXPECT_NEAR(r.boundRadius, std::sqrt(50.0f * 50 + 300.0f * 300), 1e-2);

  // Aspect-corrected on 1000 x 500, then screen pixels on 680 x 408.
  zib->pZibGraphics->viewportAspect = 0.5f;
  zib->pZibGraphics->pixelScale = Vector3(800.0f / 680, 480.0f / 408, 1);
  Renderable p;
  p.scaleMode = Renderable::kScaleAspectCorrected;
  p.updateVisual();
  expectNear(p.local2world(Vector3(10, 10, 0)), Vector3(10, 12, 0));
  p.scaleMode = Renderable::kScaleScreenPixels;
  p.updateVisual();
  expectNear(p.local2world(Vector3(680, 408, 0)), Vector3(800, 480, 0));
}

TEST_F(RenderableTest, CullingTouchesTheViewEdgeAndNeedsAContextWithACamera) {
  Renderable r;
  r.boundRadius = 10;
  const auto visibleAt = [&](float x, float y, float z = 0) {
    r.boundCentre = Vector3(x, y, z);
    r.updateVisibility();
    return r.bVisible != 0;
  };
  EXPECT_TRUE(visibleAt(1e6f, 0));  // no current Context
  Context context;
  zib->currentContext = &context;
  EXPECT_TRUE(visibleAt(410, 0));
  EXPECT_FALSE(visibleAt(410.5f, 0));
  EXPECT_TRUE(visibleAt(-410, -250));
  EXPECT_FALSE(visibleAt(0, 250.5f));
  EXPECT_TRUE(visibleAt(810, 0, 400));  // deeper planes show more

  // Every render of a shown object counts, a drawn one only when visible.
  r.boundRadius = 0;
  r.render();
  r.bHidden = 1;
  r.render();
  EXPECT_EQ(zib->frameStats[STAT_RENDERABLES], 1);
  EXPECT_EQ(zib->frameStats[STAT_DRAWN], 0);

  context.pCamera->destroy();
  context.pCamera = nullptr;
  EXPECT_TRUE(visibleAt(1e6f, 0));
  zib->currentContext = nullptr;
}

TEST_F(RenderableTest, HitTestsUseTheHalfOpenSkinAndSurviveASingularTransform) {
  Context context;
  Skin skin;
  skin.width = skin.height = 10;
  auto* r = new Renderable();
  context.appendChild(r);
  r->pSkin = &skin;
  r->setPosition(100, 0, 0);
  context.pointerPos = Vector3(95, -5, 0);
  EXPECT_FALSE(r->hitTest());  // no inverse kept
  r->bHasInvXform = 1;
  r->updateVisual();
  EXPECT_TRUE(r->hitTest());
  context.pointerPos = Vector3(105, 0, 0);
  EXPECT_FALSE(r->hitTest());

  // A scale passing through 0: no inverse, a miss, one log line.
  context.pointerPos = Vector3(100, 0, 0);
  r->scale.x = 0;
  r->updateVisual();
  r->updateVisual();
  EXPECT_FALSE(r->hitTest());
  r->setScaleXY(1);
  EXPECT_TRUE(r->hitTest());
  const std::string log = logText();
  const auto first = log.find("Renderable::calcXform(): Matrix inversion failed.");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(log.find("Matrix inversion failed.", first + 30), std::string::npos);
}

TEST_F(RenderableTest, CollisionsCombineScaledRadiiAndRefuseUnboundedObjects) {
  Renderable a, b;
  a.boundRadius = 10;
  b.boundRadius = 20;
  b.collisionSensitivity = 0.5f;
  b.boundCentre = Vector3(0, 19.9f, 0);
  EXPECT_TRUE(a.collide(&b));
  b.boundCentre.y = 20;
  EXPECT_FALSE(b.collide(&a));
  EXPECT_TRUE(b.isPointInsideBounds(Vector3(0, 39.9f, 0), 1));
  EXPECT_FALSE(b.isPointInsideCollisionBounds(Vector3(0, 30, 0)));
  b.bSkipVisibility = 1;
  EXPECT_FALSE(b.hitTest());
  EXPECT_FATAL(a.collide(&b), "!bSkipVisibility && !other->bSkipVisibility");
}

}  // namespace

TEST_F(RenderableTest, PlacementColourAndSkinReplicateByNameAndOwnedSkinsGoWithTheirOwner) {
  Skin skin;
  ZibBase texture;
  skin.width = skin.height = 10;
  zib->pResourceManager->addResource(&skin, u"shipSkin");
  zib->pResourceManager->addResource(&texture, u"notASkin");
  Renderable sent;
  sent.setPlacement(&skin, nullptr, nullptr, nullptr, nullptr, nullptr);
  sent.setPosition(1.5f, -2, 0);
  sent.color = 0x80FF0000;
  std::unique_ptr<PropertyContainer> properties(sent.makePropertyContainer());
  const std::string text = toUtf8(properties->nameAndValue());
  EXPECT_NE(text.find("position(x:1.5,y:-2.0,z:0.0),rotation(x:0.0,y:0.0,z:0.0),scale(x:1.0,y:1.0,z:1.0),"
                      "color:80ff0000,pSkin:Skin-1)"),
            std::string::npos)
      << text;

  Packet packet(Packet::kFlagReplication, -1);
  sent.netSerialize(&packet);
  Renderable received;
  packet.startReading(packet.getPosition());
  received.netSerialize(&packet);
  EXPECT_FALSE(packet.hasError());
  EXPECT_EQ(received.pSkin, &skin);
  EXPECT_EQ(received.color, 0x80FF0000u);
  EXPECT_EQ(received.xform._41, 1.5f);  // the visual follows the received placement

  // A resource of another class is not taken for a skin.
  PropertyPointer(u"pSkin", Property::kResourceName, reinterpret_cast<ZibBase**>(&received.pSkin), &Skin::classInfo)
      .fromString(u"notASkin");
  EXPECT_EQ(received.pSkin, &skin);

  const size_t objects = zib->objectList.countChildren();
  auto* owner = new Renderable();
  owner->pSkin = new Skin();
  owner->bOwnsSkin = 1;
  owner->destroy();
  EXPECT_EQ(zib->objectList.countChildren(), objects);
}
