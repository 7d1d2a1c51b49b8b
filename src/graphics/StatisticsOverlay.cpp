#include "graphics/StatisticsOverlay.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/FileData.h"
#include "base/Format.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "engine/audio/SoundStream.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"
#include "graphics/Camera.h"
#include "graphics/Console.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Texture.h"
#include "graphics/VertexBuffer.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontGDI.h"
#include "platform/Audio.h"
#include "platform/D3DX9.h"

namespace {

constexpr int32_t kHistory = 512;

void drawStrip(const std::vector<Vector3>& points, UColor color) {
  if (points.size() < 2) return;
  D3DXMATRIX identity;
  zib->pZibGraphics->dxDevice->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&identity));
  VertexBuffer buffer;
  buffer.resize(static_cast<int32_t>(points.size()));
  for (size_t i = 0; i < points.size(); ++i) buffer.vertexData[i] = {points[i].x, points[i].y, points[i].z, color, 0, 0};
  buffer.upload();
  buffer.draw(nullptr, VertexBuffer::kLineStrip, 0, -1);
}

int32_t ms(double seconds) { return static_cast<int32_t>(seconds * 1000); }

// The input manager's state: pointer, mouse buttons and their contacts,
// controllers, and every contact.
template <class Line>
void inputLines(const ZibInput& input, const Line& line) {
  line(formatString(u"inputMode %d. mouse: %.3lf,%.3lf,%.3lf", input.inputMode, double(input.pointerPos.x),
                    double(input.pointerPos.y), double(input.pointerPos.z)));
  std::vector<const TouchContact*> contacts;
  for (const BasicLink* node = input.contactList.firstChild; node; node = node->next)
    contacts.push_back(static_cast<const TouchContact*>(node));
  const auto word = [](bool condition, const char16_t* text) { return condition ? text : u""; };
  for (int32_t b = 0; b < 4; ++b) {
    const TouchContact* contact = size_t(b) < contacts.size() ? contacts[size_t(b)] : nullptr;
    line(formatString(u"button: %s %s %s | %s %s %s", word(contact && contact->bActive, u"DOWN"),
                      word(contact && contact->bPressed, u"PRESSED"), word(contact && contact->bReleased, u"UP"),
                      word(input.isMouseButtonPressed(b), u"MDOWN"), word(input.isMouseButtonDown(b), u"MPRESSED"),
                      word(input.isMouseButtonReleased(b), u"MUP")));
  }
  for (int32_t j = 0; j < 4; ++j) {
    std::u16string presses = u"buttonPresses: ";
    for (int32_t button = 0; button < 32; ++button)
      if (input.isKeyDown(256 + 48 * j + 16 + button)) presses += formatString(u"%d ", button);
    const Vector3 stick = input.getStickVector(j), pov = input.getPovVector(j);
    line(formatString(u"joystick %d: analogue=(%.3lf,%.3lf) pad=(%.3lf,%.3lf) %s", j, double(stick.x), double(stick.y),
                      double(pov.x), double(pov.y), presses));
  }
  for (size_t i = 0; i < contacts.size(); ++i) {
    const TouchContact& c = *contacts[i];
    line(formatString(u"touch:%d tag:%08x state:%d pos:%.1lf, %.1lf %s usage:%d handled:%x", int32_t(i), c.id, c.state,
                      double(c.pos.x), double(c.pos.y), word(c.bDragged, u"DRAG"), c.usage,
                      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(c.handled))));
  }
}

}  // namespace

void StatisticsOverlay::draw(const int32_t* savedStats) {
  Zib& root = *zib;
  FontGDI* font = root.pDefaultFont;
  if (!font || !root.pZibGraphics || root.debugLevel == 0) return;
  // The console's pixel camera; without a console, one set up the same way.
  std::optional<Camera> ownCamera;
  Camera* camera = root.pConsole ? root.pConsole->pCamera : nullptr;
  if (!camera) camera = &ownCamera.emplace();
  camera->render();
  const RectF view = camera->getViewRect(0);
  const float lineHeight = static_cast<float>(font->fontHeightRaw);
  const float x = std::trunc(view.left);
  float y = std::trunc(view.top);
  const auto line = [&](const std::u16string& text) {
    font->drawText(x, y, 0, 0xFFFFFFFF, 0, text);
    y -= lineHeight;
  };
  const double* t = root.phaseTime;
  const double tickTime = std::max(t[4] - t[1], 0.00001);
  if (root.debugLevel & 1) {
    line(formatString(u"frame: fps=%.1lf(forced=%.1lf), avg=%.1lfms, accuracy=%.1lfms, audio=%.2lf%%", 1 / tickTime,
                      root.currentFps, root.frameCounter ? root.totalFrameTime * 1000 / root.frameCounter : 0.0,
                      root.frameTimer.lateness * 1000, root.pZibAudio ? double(BASS_GetCPU()) : 0.0));
  }
  if (root.debugLevel & 2) {
    line(formatString(u"global clock: %.3lf , delta %.3lf", root.frameTimer.lastTime, root.getFrameDelta()));
    line(formatString(u"tick(%2dms), console(%2dms), render(%2dms), hud(%2dms), present(%2dms), timerwait(%2dms), "
                      u"misc(%2dms)",
                      ms(t[2] - t[1]), ms(t[3] - t[2]), ms(t[4] - t[3]), ms(root.overlayTime), ms(t[6] - t[5]),
                      ms(t[7] - t[6]), ms(t[0] - t[7])));
    line(formatString(u"%d/%d renderables, %d vertices, %d vbuffer writes, %d update visuals, %d invXforms, "
                      u"%d collisions",
                      savedStats[STAT_DRAWN], savedStats[STAT_RENDERABLES], savedStats[STAT_VERTICES],
                      savedStats[STAT_VBUFFER_WRITES], savedStats[STAT_UPDATE_VISUALS], savedStats[STAT_INV_XFORMS],
                      savedStats[STAT_COLLISIONS]));
    line(formatString(u"resident: %dK textures (%d used: %dK), %dK memoryimagefiles, %dK sounds, %dK streams, "
                      u"%dK memoryfiles.",
                      residentTextureBytes / 1024, savedStats[STAT_TEXTURES],
                      static_cast<int32_t>(int64_t(savedStats[STAT_TEXELS]) * 4 / 1024), residentImageBytes / 1024,
                      residentSoundBytes / 1024, residentStreamBytes / 1024,
                      static_cast<int32_t>(residentFileDataBytes / 1024)));
    if (const ZibInput* input = root.pZibInput) inputLines(*input, line);
  }
  if (root.debugLevel & 4) {
    const float right = view.right, bottom = view.bottom;
    std::vector<Vector3> points;
    for (int32_t i = 0; i < kHistory; ++i) {
      const int32_t slot = ((root.frameCounter - i) % kHistory + kHistory) % kHistory;
      points.emplace_back(right - static_cast<float>(i), bottom + static_cast<float>(root.statHistory[0][slot]), 0);
    }
    drawStrip(points, 0xFFFF0000);
    const float target = bottom + static_cast<float>(root.frameTimer.period * 1000);
    drawStrip({Vector3(right - kHistory, target, 0), Vector3(right, target, 0)}, 0x80FF0000);
    // Labels sit just above their line: the text hangs below its anchor.
    const float frameLabelWanted = points[0].y + lineHeight;
    const std::u16string frameLabel =
        formatString(u"%.0lfms", static_cast<double>(root.statHistory[0][root.frameCounter % kHistory]));

    // Stacked memory: textures, images, streams, sounds.
    static constexpr int32_t kRings[4] = {1, 2, 4, 3};
    static constexpr const char16_t* kNames[4] = {u"tex", u"image", u"stream", u"sfx"};
    const int32_t now = root.frameCounter % kHistory;
    double total = 0;
    for (int32_t ring : kRings) total += root.statHistory[ring][now] * 9.5367431640625e-07;
    float scale = 16;
    while (scale > 1e-6f && bottom + static_cast<float>(total) * scale > view.top) scale /= 2;
    std::vector<double> sums(kHistory, 0.0);
    std::vector<float> seriesWanted;
    std::vector<std::u16string> seriesLabels;
    for (int32_t s = 0; s < 4; ++s) {
      points.clear();
      for (int32_t i = 0; i < kHistory; ++i) {
        const int32_t slot = ((root.frameCounter - i) % kHistory + kHistory) % kHistory;
        sums[size_t(i)] += root.statHistory[kRings[s]][slot] * 9.5367431640625e-07;
        points.emplace_back(right - static_cast<float>(i), bottom + static_cast<float>(sums[size_t(i)]) * scale, 0);
      }
      drawStrip(points, s < 3 ? 0x8000FF00 : 0xFF00FF00);
      const double megabytes = root.statHistory[kRings[s]][now] * 9.5367431640625e-07;
      seriesWanted.push_back(points[0].y + lineHeight);
      seriesLabels.push_back(formatString(u"%s %.1lf", kNames[s], megabytes));
    }
    // The series' names at the graphs' left end; the frame time and the total at the right.
    const std::vector<float> left = placeLabels(seriesWanted, lineHeight, bottom, view.top);
    for (size_t s = 0; s < left.size(); ++s)
      font->drawText(right - kHistory, left[s], 0, 0xFFFFFFFF, 0, seriesLabels[s]);
    const std::vector<float> rightSide =
        placeLabels({frameLabelWanted, seriesWanted.back()}, lineHeight, bottom, view.top);
    font->drawText(right, rightSide[0], 0, 0xFFFFFFFF, 0x8, frameLabel);
    font->drawText(right, rightSide[1], 0, 0xFFFFFFFF, 0x8, formatString(u"%.1lfMB", sums[0]));
  }
}

std::vector<float> StatisticsOverlay::placeLabels(const std::vector<float>& wanted, float lineHeight, float bottom,
                                                  float top) {
  std::vector<size_t> order(wanted.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return wanted[a] < wanted[b]; });
  std::vector<float> placed(wanted.size());
  // Upward: a row at least a line above the one below it and above the bottom edge.
  float floor = bottom + lineHeight;
  for (size_t i : order) {
    placed[i] = std::max(wanted[i], floor);
    floor = placed[i] + lineHeight;
  }
  // Downward from the top edge: the rows that would leave the view give way.
  float ceiling = top;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    placed[*it] = std::min(placed[*it], ceiling);
    ceiling = placed[*it] - lineHeight;
  }
  return placed;
}
