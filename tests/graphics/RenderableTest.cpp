#include "graphics/Renderable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/ByteBuffer.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/Camera.h"
#include "graphics/Context.h"
#include "graphics/Skin.h"
#include "graphics/VertexBuffer.h"
#include "graphics/ZibGraphics.h"
#include "platform/null/NullDevice.h"
#include "platform/null/NullDirect3D.h"
#include "support/EngineFixture.h"

namespace {

class RenderableTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    resetNullAdapterConfig();
    setGraphicsBackend(GraphicsBackend::Null);
    zib->pConfig = new MemoryIniFile(ByteBuffer());
    zib->pConfig->setBool(false, u"ZibGraphics", u"bFullScreen");
    zib->pConfig->setInt(800, u"ZibGraphics", u"videoModeWidth");
    zib->pConfig->setInt(480, u"ZibGraphics", u"videoModeHeight");
    zib->pZibGraphics = new ZibGraphics();
    device().calls.clear();
  }
  void TearDown() override {
    delete zib->pZibGraphics;
    zib->pZibGraphics = nullptr;
    EngineTest::TearDown();
  }
  static NullDevice& device() { return *static_cast<NullDevice*>(zib->pZibGraphics->dxDevice); }
};

void expectNear(const Vector3& a, const Vector3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-3);
  EXPECT_NEAR(a.y, b.y, 1e-3);
  EXPECT_NEAR(a.z, b.z, 1e-3);
}

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
  EXPECT_EQ(zib->frameStats[STAT_INV_XFORMS], 3);

  r.preXform = r.postXform = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  r.updateVisual();
  expectNear(r.boundCentre, Vector3(5, 6, 0));
  // Corner (50, 25) from the anchor: (100, 50), rolled (-50, 100), (-50, 300).
  EXPECT_NEAR(r.boundRadius, std::sqrt(50.0f * 50 + 300.0f * 300), 1e-2);

  // Aspect-corrected and screen-pixel scales on a stretched or small viewport.
  Renderable p;
  p.scaleMode = Renderable::kScaleAspectCorrected;
  zib->pZibGraphics->viewportAspect = 0.5f;  // 1000 x 500
  p.updateVisual();
  expectNear(p.local2world(Vector3(10, 10, 0)), Vector3(10, 12, 0));
  p.scaleMode = Renderable::kScaleScreenPixels;
  zib->pZibGraphics->pixelScale = Vector3(800.0f / 680, 480.0f / 408, 1);
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
  EXPECT_TRUE(visibleAt(-410, 250));
  EXPECT_FALSE(visibleAt(-410.5f, 0));
  EXPECT_FALSE(visibleAt(0, 250.5f));
  EXPECT_FALSE(visibleAt(0, -250.5f));
  EXPECT_TRUE(visibleAt(810, 0, 400));  // deeper planes show more
  r.bSkipVisibility = 1;
  EXPECT_TRUE(visibleAt(1e6f, 0));
  r.bSkipVisibility = 0;

  // Counters: every render of a shown object, drawn only when visible; a
  // skinless object is drawn as nothing.
  r.boundRadius = 0;
  r.boundCentre = Vector3();
  r.render();
  r.boundCentre.x = 1000;
  r.render();
  r.bHidden = 1;
  r.render();
  EXPECT_EQ(zib->frameStats[STAT_RENDERABLES], 2);
  EXPECT_EQ(zib->frameStats[STAT_DRAWN], 1);

  context.pCamera->destroy();
  context.pCamera = nullptr;
  r.bHidden = 0;
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
  context.pointerPos = Vector3(100, 0, 0);

  // A scale passing through 0: no inverse, a miss, one log line.
  r->scale.x = 0;
  r->updateVisual();
  r->updateVisual();
  EXPECT_FALSE(r->hitTest());
  r->scale.x = 1;
  r->updateVisual();
  EXPECT_TRUE(r->hitTest());
  const std::string log = readFile(toUtf8(getLogFilePath()));
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
  EXPECT_EQ(zib->frameStats[STAT_COLLISIONS], 2);
  EXPECT_TRUE(b.isPointInsideBounds(Vector3(0, 39.9f, 0), 1));
  EXPECT_FALSE(b.isPointInsideCollisionBounds(Vector3(0, 30, 0)));
  b.bSkipVisibility = 1;
  EXPECT_FATAL(a.collide(&b), "!bSkipVisibility && !other->bSkipVisibility");
  EXPECT_FATAL(b.isPointInsideBounds(Vector3(), 1), "!bSkipVisibility");
  EXPECT_FALSE(b.hitTest());
  EXPECT_FATAL(a.world2local(Vector3()), "bHasInvXform");
}

using Ops = std::pair<DWORD, DWORD>;  // colour and alpha operations

TEST_F(RenderableTest, ColourStagesFollowTheTintAndOwnedSkinsGoWithTheirOwner) {
  Renderable r;
  const auto stages = [&](UColor color) {
    r.color = color;
    r.applyColorStageStates();
    DWORD colorOp = 0, alphaOp = 0;
    device().GetTextureStageState(0, D3DTSS_COLOROP, &colorOp);
    device().GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);
    return Ops(colorOp, alphaOp);
  };
  EXPECT_EQ(stages(0xFFFFFFFF), Ops(D3DTOP_SELECTARG1, D3DTOP_SELECTARG1));
  EXPECT_EQ(stages(0x80FFFFFF), Ops(D3DTOP_SELECTARG1, D3DTOP_MODULATE));
  EXPECT_EQ(stages(0xFF808080), Ops(D3DTOP_MODULATE, D3DTOP_SELECTARG1));
  zib->pZibGraphics->bAlphaCapture = 1;  // the capture pass keeps its own set-up
  EXPECT_EQ(stages(0xFFFFFFFF), Ops(D3DTOP_MODULATE, D3DTOP_SELECTARG1));
  zib->pZibGraphics->bAlphaCapture = 0;

  // Debug outlines: collision circle, bounding circle and two crosses, each
  // an untextured line list; the level is the engine's again afterwards.
  r.boundRadius = 5;
  zib->debugLevel = 0x30;
  device().calls.clear();
  r.render();
  EXPECT_EQ(zib->debugLevel, 0x30);
  std::vector<std::string> draws;
  for (const std::string& call : device().calls)
    if (call.starts_with("DrawPrimitive")) draws.push_back(call);
  EXPECT_EQ(draws, (std::vector<std::string>{"DrawPrimitive(2, 64)", "DrawPrimitive(2, 64)", "DrawPrimitive(2, 4)",
                                             "DrawPrimitive(2, 4)"}));
  zib->debugLevel = 0;

  const size_t objects = zib->objectList.countChildren();
  auto* owner = new Renderable();
  owner->pSkin = new Skin();
  owner->bOwnsSkin = 1;
  owner->destroy();
  EXPECT_EQ(zib->objectList.countChildren(), objects);
}

}  // namespace
