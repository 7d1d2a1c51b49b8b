#include "graphics/Console.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/WideScan.h"
#include "engine/ErrorManager.h"
#include "engine/LogicalScreen.h"
#include "engine/Logger.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Camera.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontGDI.h"
#include "platform/Input.h"

ZIB_DEFINE_CLASS(Console, Context, nullptr);

namespace {

constexpr char16_t kEnter = 13;
constexpr char16_t kBackspace = 8;

// Ends the process the way an unhandled fault does: the crash filter writes
// its minidump and the signal ends the process.
[[noreturn]] void crashThroughFault() {
  volatile uintptr_t unmapped = 16;  // the first page is never mapped
  *reinterpret_cast<volatile int*>(unmapped) = 1;
  std::abort();  // only when something let the fault pass
}

}  // namespace

Console::Console() {
  ZIB_LOG(u"Starting console...");
  onPresentationRestored();
}

Console::~Console() = default;

void Console::onPresentationRestored() {
  const ZibGraphics* graphics = zib->pZibGraphics;
  const int32_t width = graphics ? graphics->screenWidth : static_cast<int32_t>(Camera::logicalWidth());
  const int32_t height = graphics ? graphics->screenHeight : kLogicalScreenHeight;
  if (!pCamera || width <= 0) return;
  pCamera->position = Vector3(0, 0, -static_cast<float>(width / 2));
  pCamera->target.x = 0;
  pCamera->target.y = 0;
  pCamera->aspect = static_cast<float>(height) / static_cast<float>(width);
  pCamera->tick(0, 0);
}

void Console::tickContents(double, double) {
  ZibInput* keyboard = zib->pZibInput;
  if (!keyboard) return;
  if (!zib->bRelease && keyboard->isKeyDown(DIK_LSHIFT) && keyboard->isKeyPressed(DIK_GRAVE)) {
    bVisible = !bVisible;
    return;
  }
  if (!bVisible) return;

  const char16_t typed = keyboard->typedChar;
  if (typed == kEnter) {
    executeCommand(input);
    input.clear();
  } else if (typed == kBackspace) {
    if (!input.empty()) input.pop_back();
  } else if (typed != 0) {
    input += typed;
  }

  const int32_t lastIndex = static_cast<int32_t>(lines.size()) - 1;
  if (keyboard->isKeyDown(DIK_PRIOR)) {
    if (scrollIndex > 0) --scrollIndex;
  } else if (keyboard->isKeyDown(DIK_NEXT)) {
    if (scrollIndex < lastIndex) ++scrollIndex;
  }
}

void Console::executeCommand(std::u16string command) {
  int32_t number = 0;
  double period = 0;
  if (scanString(command, u"debug %d", &number) == 1) {
    zib->debugLevel = number;
  } else if (scanString(command, u"fps %lf", &period) == 1) {
    // A period that is not a positive number would stop the pacing or spin it.
    if (!std::isfinite(period) || period <= 0) {
      addLine(u"Refused: %s (the period must be a positive number of seconds)", command);
    } else if (zib->pTimeKeeper) {
      zib->frameTimer.start(period);
    }
  } else if (scanString(command, u"fontcache %d", &number) == 1) {
    if (zib->pZibGraphics) zib->pZibGraphics->bEnableFontCache = number != 0;
  } else if (scanString(command, u"rel %d", &number) == 1) {
    zib->bRelease = number != 0;
  } else if (command == u"crash") {
    reportError(u"Console::executeCommand", "src\\Console", 142, u"Crash requested.");
  } else if (command == u"crash2") {
    crashThroughFault();
  } else if (!command.empty()) {
    addLine(u"Unknown command: %s", command);
  }
}

void Console::appendLine(std::u16string text) {
  logFunctionMessage(u"Console::addLine", formatString(u"> %s", text));
  const bool following = scrollIndex == static_cast<int32_t>(lines.size()) - 1;
  lines.push_back(std::move(text));
  if (following) ++scrollIndex;
  if (lines.size() > kMaxStoredLines) {
    // The indices move down with the lines; a view on a dropped line shows the oldest kept.
    const size_t dropped = lines.size() - kMaxStoredLines;
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(dropped));
    scrollIndex = std::max(scrollIndex - static_cast<int32_t>(dropped), 0);
  }
}

std::vector<Console::ShownText> Console::shownText(int32_t lineHeight) const {
  std::vector<ShownText> shown;
  if (!pCamera) return shown;
  const RectF view = pCamera->getViewRect(0);
  const float x = std::trunc(view.left);
  const float lineY = std::trunc(static_cast<float>(lineHeight) + view.bottom);
  // The cursor blinks every eighth of a second of the frame timer's clock.
  const bool cursorOn = static_cast<int64_t>(zib->frameTimer.lastTime * 8.0) % 2 == 0;
  shown.push_back({x, lineY, formatString(cursorOn ? u"> %s_" : u"> %s", input)});
  float y = lineY;
  const int32_t newest = std::min(scrollIndex, static_cast<int32_t>(lines.size()) - 1);
  for (int32_t index = newest, count = 0; index >= 0 && count <= maxLines; --index, ++count) {
    y += static_cast<float>(lineHeight);
    shown.push_back({x, y, formatString(u"%s", lines[static_cast<size_t>(index)])});
  }
  return shown;
}

void Console::renderContents() {
  FontGDI* font = zib->pDefaultFont;
  if (!bVisible || !font) return;
  const int32_t savedDebugLevel = zib->debugLevel;
  zib->debugLevel = 0;  // no debug drawing decorates the console's text
  for (const ShownText& shown : shownText(font->fontHeightRaw))
    font->drawText(shown.x, shown.y, 0, 0xFFFFFFFF, 0, shown.text);
  zib->debugLevel = savedDebugLevel;
}
