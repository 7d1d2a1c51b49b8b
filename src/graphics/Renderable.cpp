#include "graphics/Renderable.h"

#include <cmath>
#include <vector>

#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/Zib.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyFloat.h"
#include "engine/object/PropertyPointer.h"
#include "engine/object/PropertyUColor.h"
#include "graphics/Camera.h"
#include "graphics/Context.h"
#include "graphics/RectF.h"
#include "graphics/Skin.h"
#include "graphics/VertexBuffer.h"
#include "graphics/ZibGraphics.h"

ZIB_DEFINE_CLASS(Renderable, ZibBase, makeObject<Renderable>);

namespace {

const D3DXMATRIX kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

IDirect3DDevice9* device() { return zib->pZibGraphics->dxDevice; }

Vector3 transformCoord(const Vector3& point, const D3DXMATRIX& matrix) {
  Vector3 out;
  D3DXVec3TransformCoord(&out, &point, &matrix);
  return out;
}

// An untextured line list in its own temporary buffer.
void drawLines(const std::vector<Vector3>& points, UColor color) {
  VertexBuffer buffer;
  buffer.resize(static_cast<int32_t>(points.size()));
  for (size_t i = 0; i < points.size(); ++i)
    buffer.vertexData[i] = {points[i].x, points[i].y, points[i].z, color, 0, 0};
  buffer.upload();
  buffer.draw(nullptr, VertexBuffer::kLineList, 0, -1);
}

// Siblings are visited in turn, each a few cache lines apart: fetching the
// next one while this one works hides most of the memory's latency.
void prefetchNext(const Renderable* renderable) {
  if (const char* next = reinterpret_cast<const char*>(renderable->next))
    for (size_t offset = 0; offset < sizeof(Renderable); offset += 64) __builtin_prefetch(next + offset);
}

std::vector<Vector3> circle(const Vector3& centre, float radius, float z, int first) {
  std::vector<Vector3> points;
  for (int i = first; i < first + 64; ++i) {
    const float angle = static_cast<float>(i) * 6.28f / 64;
    points.emplace_back(centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle), z);
  }
  return points;
}

std::vector<Vector3> cross(const Vector3& centre, float halfSize) {
  return {centre - Vector3(halfSize, 0, 0), centre + Vector3(halfSize, 0, 0), centre - Vector3(0, halfSize, 0),
          centre + Vector3(0, halfSize, 0)};
}

}  // namespace

Renderable::Renderable() {
  D3DXMatrixIdentity(&xform);
  D3DXMatrixIdentity(&invXform);
  D3DXMatrixIdentity(&preXform);
  D3DXMatrixIdentity(&postXform);
}

Renderable::~Renderable() {
  if (bOwnsSkin && pSkin) pSkin->destroy();
  pSkin = nullptr;
}

void Renderable::applyColorStageStates() {
  if (zib->pZibGraphics->bAlphaCapture) return;
  IDirect3DDevice9* const dx = device();
  dx->SetTextureStageState(0, D3DTSS_COLOROP,
                           (color & 0xFFFFFF) == 0xFFFFFF ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE);
  dx->SetTextureStageState(0, D3DTSS_ALPHAOP, (color >> 24) == 0xFF ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE);
}

void Renderable::applyLocalTransform(D3DXMATRIX& matrix) {
  D3DXMATRIX step;
  Vector3 s = scale;
  bool bScale = true;
  if (scaleMode == kScaleScreenPixels) {
    const Vector3& pixel = zib->pZibGraphics->pixelScale;
    s = Vector3(s.x * pixel.x, s.y * pixel.y, s.z * pixel.z);
  } else if (scaleMode == kScaleAspectCorrected) {
    s.y *= zib->pZibGraphics->screenAspect / zib->pZibGraphics->viewportAspect;
  } else {
    bScale = !(scale == Vector3(1, 1, 1));
  }
  if (bScale) matrix = matrix * *D3DXMatrixScaling(&step, s.x, s.y, s.z);
  if (!(rotation == Vector3(0, 0, 0))) {
    // A roll alone, the common 2-D case, gives the same matrix more cheaply.
    if (rotation.x == 0 && rotation.y == 0)
      D3DXMatrixRotationZ(&step, rotation.z);
    else
      D3DXMatrixRotationYawPitchRoll(&step, rotation.y, rotation.x, rotation.z);
    matrix = matrix * step;
  }
  if (!(scale2 == Vector3(1, 1, 1))) matrix = matrix * *D3DXMatrixScaling(&step, scale2.x, scale2.y, scale2.z);
  matrix._41 += position.x;
  matrix._42 += position.y;
  matrix._43 += position.z;
}

void Renderable::calcXform() {
  xform = preXform;
  if (pSkin) pSkin->applyOrigin(xform);
  applyLocalTransform(xform);
  if (!(postXform == kIdentity)) D3DXMatrixMultiply(&xform, &xform, &postXform);
  bValidInvXform = 0;
  if (!bHasInvXform) return;
  ++zib->frameStats[STAT_INV_XFORMS];
  if (D3DXMatrixInverse(&invXform, nullptr, &xform)) {
    bValidInvXform = 1;
  } else if (!bSingularLogged) {
    // A scale passing through 0 in an animation: the object is merely not
    // pickable for that moment, so once per object is enough.
    bSingularLogged = 1;
    ZIB_LOG(u"Matrix inversion failed.");
  }
}

void Renderable::calcBounds() {
  if (bSkipVisibility) return;
  if (!pSkin) {
    boundCentre = transformCoord(Vector3(), xform);
    boundRadius = 0;
    return;
  }
  boundCentre = transformCoord(pSkin->offset, xform);
  const Vector3 d = transformCoord(pSkin->getCornerPoint(), xform) - boundCentre;
  boundRadius = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

void Renderable::updateVisibility() {
  const Context* context = zib->currentContext;
  if (bSkipVisibility || !context || !context->pCamera) {
    bVisible = 1;
    return;
  }
  const RectF view = context->pCamera->getViewRect(boundCentre.z);
  const Vector3& c = boundCentre;
  const float r = boundRadius;
  bVisible = !(view.left > c.x + r || c.x - r > view.right || c.y - r > view.top || view.bottom > c.y + r);
}

bool Renderable::isPointOverSkin(const Vector3& point) {
  if (!pSkin || (bHasInvXform && !bValidInvXform)) return false;
  const Vector3 local = world2local(point);
  return pSkin->isPointInside(local.x, local.y, local.z);
}

bool Renderable::isPointInsideBounds(const Vector3& point, float factor) {
  ZIB_ASSERT(!bSkipVisibility);
  return isWithinRadius(boundCentre, point, boundRadius * factor);
}

bool Renderable::isPointInsideCollisionBounds(const Vector3& point) {
  ZIB_ASSERT(!bSkipVisibility);
  return isWithinRadius(boundCentre, point, boundRadius * collisionSensitivity);
}

bool Renderable::collide(Renderable* other) {
  ZIB_ASSERT(!bSkipVisibility && !other->bSkipVisibility);
  ++zib->frameStats[STAT_COLLISIONS];
  return isWithinRadius(other->boundCentre, boundCentre,
                        other->boundRadius * other->collisionSensitivity + boundRadius * collisionSensitivity);
}

Vector3 Renderable::local2world(const Vector3& point) {
  return transformCoord(pSkin ? pSkin->transformPoint(point) : point, xform);
}

Vector3 Renderable::world2local(const Vector3& point) {
  ZIB_ASSERT(bHasInvXform);
  const Vector3 local = transformCoord(point, invXform);
  return pSkin ? pSkin->inverseTransformPoint(local) : local;
}

void Renderable::updateVisual() {
  prefetchNext(this);
  lastUpdateFrame = zib->frameCounter;
  ++zib->frameStats[STAT_UPDATE_VISUALS];
  calcXform();
  calcBounds();
}

void Renderable::setScaleXY(float s) {
  scale.x = scale.y = s;
  updateVisual();
}

void Renderable::setScale2(float x, float y, float z) {
  scale2 = Vector3(x, y, z);
  updateVisual();
}

Vector3* Renderable::getScale2() { return &scale2; }

void Renderable::setScale2XY(float s) {
  scale2.x = scale2.y = s;
  updateVisual();
}

void Renderable::setPreXform(const D3DXMATRIX& matrix) {
  preXform = matrix;
  updateVisual();
}

void Renderable::setPostXform(const D3DXMATRIX& matrix) {
  postXform = matrix;
  updateVisual();
}

void Renderable::setPosition(float x, float y, float z) {
  position = Vector3(x, y, z);
  updateVisual();
}

void Renderable::setPlacement(Skin* skin, const Vector3* position_, const Vector3* rotation_, const Vector3* scale_,
                              const D3DXMATRIX* preXform_, const D3DXMATRIX* postXform_) {
  if (skin) pSkin = skin;
  if (position_) position = *position_;
  if (rotation_) rotation = *rotation_;
  if (scale_) scale = *scale_;
  if (preXform_) preXform = *preXform_;
  if (postXform_) postXform = *postXform_;
  updateVisual();
}

void Renderable::render() {
  prefetchNext(this);
  if (bHidden) return;
  updateVisibility();
  ++zib->frameStats[STAT_RENDERABLES];
  if (!bVisible) return;
  ++zib->frameStats[STAT_DRAWN];
  applyColorStageStates();

  const int32_t savedDebugLevel = zib->debugLevel;
  if ((zib->debugLevel & 0x80) && lastUpdateFrame == zib->frameCounter) zib->debugLevel |= 0x40;
  device()->SetTransform(D3DTS_WORLD, &xform);
  if (pSkin) pSkin->draw(this);
  if (!bSkipVisibility && (zib->debugLevel & 0x30)) drawDebugShapes();
  zib->debugLevel = savedDebugLevel;
}

void Renderable::drawDebugShapes() {
  D3DXMATRIX identity;
  device()->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&identity));
  const UColor halfAlpha = ((color >> 24) / 2) << 24;
  if (zib->debugLevel & 0x10)
    drawLines(circle(boundCentre, boundRadius * collisionSensitivity, position.z, 1), halfAlpha | 0xFF0000);
  if (zib->debugLevel & 0x20) {
    drawLines(circle(boundCentre, boundRadius, position.z, 0), halfAlpha | (color & 0xFFFFFF));
    drawLines(cross(position, 3), 0x80FFFFFF);
    drawLines(cross(boundCentre, 2), 0x80FF0000);
  }
}

bool Renderable::hitTest() {
  if (bSkipVisibility || !bHasInvXform) return false;
  return isPointOverSkin(static_cast<Context*>(findContext())->pointerPos);
}

void Renderable::netSerialize(Packet* packet) {
  ZibBase::netSerialize(packet);
  if (!packet->bWriting) updateVisual();
}

void Renderable::registerProperties(PropertyContainer* container) {
  ZibBase::registerProperties(container);
  container->add(new PropertyFloat(u"collisionSensitivity", 0, &collisionSensitivity));
  const auto addVector = [&](const char16_t* name, Vector3& v) {
    auto* group = container->add(new PropertyContainer(name, 0));
    group->add(new PropertyFloat(u"x", 0, &v.x));
    group->add(new PropertyFloat(u"y", 0, &v.y));
    group->add(new PropertyFloat(u"z", 0, &v.z));
  };
  addVector(u"position", position);
  addVector(u"rotation", rotation);
  addVector(u"scale", scale);
  container->add(new PropertyUColor(u"color", 0, &color));
  container->add(new PropertyPointer(u"pSkin", Property::kResourceName, reinterpret_cast<ZibBase**>(&pSkin),
                                     &Skin::classInfo));
}
