#include "graphics/Quad.h"

#include <algorithm>

#include "engine/MemoryIniFile.h"
#include "graphics/RectF.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"
#include "graphics/TextureGrid.h"
#include "graphics/ZibGraphics.h"
#include "platform/null/NullDevice.h"
#include "support/GraphicsFixture.h"

namespace {

// Whether every one of `states` was set before the first draw of `calls`.
bool setBeforeFirstDraw(const std::vector<std::string>& calls, const std::vector<std::string>& states) {
  const auto draw = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.starts_with("Draw"); });
  for (const std::string& state : states)
    if (std::find(calls.begin(), draw, state) == draw) return false;
  return draw != calls.end();
}

class QuadTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    zib->pConfig->setBool(false, u"ZibGraphics", u"bSimulate256x256TextureHW");
    makeGraphics();
  }
};

TEST_F(QuadTest, AlignmentCornersAndTheHalfOpenPointTest) {
  Skin skin;
  skin.width = 100;
  skin.height = 50;
  const auto anchorFor = [&](int32_t code) { return skin.setAlignment(code), skin.anchor; };
  EXPECT_EQ(anchorFor(3), Vector3(50, -25, 0));  // bottom right on the owner
  EXPECT_EQ(anchorFor(7), Vector3(-50, 25, 0));
  skin.offset = Vector3(1, 2, 3);
  EXPECT_EQ(anchorFor(0), Vector3(1, 2, 3));
  EXPECT_EQ(skin.getCornerPoint(), Vector3(51, 27, 3));

  skin.width = skin.height = 10;
  EXPECT_TRUE(skin.isPointInside(-5, -5, 99));
  EXPECT_TRUE(skin.isPointInside(4.99f, 4.99f, 0));
  EXPECT_FALSE(skin.isPointInside(5, 0, 0));
  EXPECT_FALSE(skin.isPointInside(0, 5, 0));
  const Vector3 point(1.5f, -2, 3);
  for (const Vector3& mapped : {skin.transformPoint(point), skin.inverseTransformPoint(point),
                                skin.transformPointAlt(point), skin.inverseTransformPointAlt(point)})
    EXPECT_EQ(mapped, point);
  EXPECT_TRUE(isWithinRadius(Vector3(), Vector3(3, 4, 0), 5.01f));
  EXPECT_FALSE(isWithinRadius(Vector3(), Vector3(3, 4, 0), 5));
  EXPECT_FATAL(skin.setAlignment(10), "code >= 0 && code <= 9");
}

TEST_F(QuadTest, VertexBufferResizesZeroedAndDrawsOnlyWhatItHolds) {
  VertexBuffer buffer;
  buffer.resize(6);
  IDirect3DVertexBuffer9* const dx = buffer.dxVBuffer;
  ASSERT_NE(dx, nullptr);
  buffer.setColor(0x12345678, true);
  buffer.resize(6);
  EXPECT_EQ(buffer.dxVBuffer, dx);
  EXPECT_EQ(buffer.vertexData[5].diffuse, 0x12345678u);
  buffer.resize(8);
  for (const Vertex& v : buffer.vertexData) EXPECT_EQ(v.diffuse, 0u);
  buffer.resize(6);

  // (primitive, start, count) -> recorded type and vertex count; untextured
  // draws give back the stage set-up they found.
  Renderable tinted;
  tinted.color = 0xFFFFFFFF;  // texture as it is, on both channels
  tinted.applyColorStageStates();
  takeCalls();
  buffer.draw(nullptr, VertexBuffer::kTriangleStrip, 2, -1);
  buffer.draw(nullptr, VertexBuffer::kLineList, 0, 5);
  buffer.draw(nullptr, VertexBuffer::kTriangleList, 1, 5);
  buffer.draw(nullptr, VertexBuffer::kLineStrip, 0, 1);  // no primitive: no call
  RectF{-10, 20, 30, -40}.drawOutline(0xFFFFFFFF);
  EXPECT_EQ(takeCalls("DrawPrimitive"), (std::vector<std::string>{"DrawPrimitive(5, 4)", "DrawPrimitive(2, 4)",
                                                                  "DrawPrimitive(4, 3)", "DrawPrimitive(3, 5)"}));
  EXPECT_EQ(zib->frameStats[STAT_VERTICES], 4 + 5 + 5 + 1 + 5);
  DWORD colorOp = 0;
  device().GetTextureStageState(0, D3DTSS_COLOROP, &colorOp);
  EXPECT_EQ(colorOp, 2u);
  // Last: a fatal report lets go of the device.
  EXPECT_FATAL(buffer.draw(nullptr, VertexBuffer::kPointList, 5, 2), "count <= vertices - start");
  EXPECT_FATAL(buffer.draw(nullptr, VertexBuffer::kPointList, 7, -1), "start <= vertices");
  EXPECT_FATAL(buffer.draw(nullptr, 6, 0, 3), "Unknown primitive type 6");
}

TEST_F(QuadTest, TextureRectsGiveUVsOneUnitPerTexelAndDrawTintedByTheOwner) {
  Texture texture(256, 128, 0);
  Quad quad;
  quad.pTexture = &texture;
  quad.setTextureRect(64, 32, 96, 192);  // left, top, bottom, right
  EXPECT_EQ(quad.width, 128);
  EXPECT_EQ(quad.height, 64);
  const auto expectVertex = [&](int i, float x, float y, float u, float v) {
    const Vertex& p = quad.vertexBuffer.vertexData[i];
    EXPECT_EQ((std::vector<float>{p.x, p.y, p.z, p.u, p.v}), (std::vector<float>{x, y, 0, u, v})) << i;
  };
  expectVertex(1, 64, 32, 0.75f, 0.25f);
  expectVertex(2, -64, -32, 0.25f, 0.75f);
  quad.bTextureSpaceUV = 1;
  quad.uvOffset[0] = 2;
  quad.uvOffset[1] = 4;
  quad.buildGeometry(128, 64);
  expectVertex(0, -64, 32, -66.0f / 256, -36.0f / 128);
  expectVertex(3, 64, -32, 62.0f / 256, 28.0f / 128);

  // The owner's tint is the factor; an opaque texture draws unblended; the debug cover leaves no writes.
  Renderable owner;
  owner.color = 0x80FF0000;
  texture.bHasAlpha = 0;
  zib->debugLevel = 0x40;
  const int writes = zib->frameStats[STAT_VBUFFER_WRITES];
  takeCalls();
  quad.draw(&owner);
  EXPECT_TRUE(setBeforeFirstDraw(takeCalls(), {"SetTexture(0, texture)", "SetRenderState(27, 0x0)",
                                               "SetRenderState(60, 0x80ff0000)"}));
  DWORD blending = 0;
  device().GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
  EXPECT_EQ(blending, 1u);
  EXPECT_EQ(zib->frameStats[STAT_VBUFFER_WRITES], writes);
}

TEST_F(QuadTest, GridLaysTilesOutFromTheTopLeftAndDrawsEachOnce) {
  Quad tiles[6];
  const float heights[3] = {256, 256, 100};
  for (int i = 0; i < 6; ++i) {
    tiles[i].uvRect = {0, 0, 1, i / 2 == 2 ? 100.0f / 256 : 1};
    tiles[i].buildGeometry(256, heights[i / 2]);
  }
  TextureGrid grid;
  grid.setGridSize(2, 3);
  EXPECT_EQ(grid.vertexBuffer.vertices, 24);
  for (int i = 0; i < 6; ++i) grid.tiles[i] = &tiles[i];
  grid.buildGeometry();
  EXPECT_EQ(grid.width, 512);
  EXPECT_EQ(grid.height, 612);
  const Vertex* last = &grid.vertexBuffer.vertexData[4 * 5];  // row 2, column 1
  EXPECT_EQ((Vector3{last[0].x, last[0].y, last[0].z}), Vector3(0, 306 - 512, 0));
  EXPECT_EQ((Vector3{last[3].x, last[3].y, last[3].z}), Vector3(256, -306, 0));
  EXPECT_FLOAT_EQ(last[3].v, 100.0f / 256);
  EXPECT_EQ(grid.getClass(), &Skin::classInfo);  // no record of its own

  Renderable owner;
  owner.color = 0x80102030;
  takeCalls();
  grid.draw(&owner);
  EXPECT_EQ(takeCalls("DrawPrimitive"), std::vector<std::string>(6, "DrawPrimitive(5, 4)"));
  EXPECT_EQ(grid.vertexBuffer.vertexData[0].diffuse, 0x80102030u);
}

}  // namespace
