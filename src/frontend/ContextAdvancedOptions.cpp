#include "frontend/ContextAdvancedOptions.h"

#include "app/ContextManager.h"
#include "app/Global.h"
#include "app/MenuSelector.h"
#include "base/Format.h"
#include "engine/Zib.h"
#include "frontend/ConfirmScreen.h"
#include "graphics/VideoMode.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontQuad.h"
#include "localisation/TextKeys.h"

namespace {

constexpr float kValueX = 120;
constexpr float kRowSpacing = 52;

}  // namespace

ContextAdvancedOptions::ContextAdvancedOptions(Global& global) : global(global) {
  bDeleteWhenFinished = 1;
  leaveQuestion = text(CONFIRM_DISCARD_CHANGES);
  const GameConfiguration& settings = global.gameConfiguration;
  std::vector<std::u16string> labels;
  int32_t current = -1;
  if (const ZibGraphics* graphics = zib->pZibGraphics) {
    for (BasicLink* node = graphics->videoModes.firstChild; node; node = node->next) {
      const auto* mode = static_cast<const VideoMode*>(node);
      if (mode->width == graphics->videoModeWidth && mode->height == graphics->videoModeHeight)
        current = static_cast<int32_t>(modes.size());
      modes.emplace_back(mode->width, mode->height);
      labels.push_back(mode->toString());
    }
    if (current < 0) {
      modes.emplace(modes.begin(), graphics->videoModeWidth, graphics->videoModeHeight);
      labels.insert(labels.begin(), formatString(u"%dx%d", graphics->videoModeWidth, graphics->videoModeHeight));
      current = 0;
    }
  }
  const std::vector<std::u16string> onOff = {text(MENU_OFF), text(MENU_ON)};
  float y = 145;
  const auto row = [&](int32_t key, std::vector<std::u16string> values, int32_t index) {
    addSelector(kValueX, y, text(key), std::move(values), index, true);
    y -= kRowSpacing;
  };
  row(OPTIONS_VIDEO_MODE, labels, current);
  row(OPTIONS_FULL_SCREEN, onOff, settings.bFullScreen ? 1 : 0);
  row(OPTIONS_LETTERBOX, onOff, settings.bAllowLetterbox ? 1 : 0);
  row(OPTIONS_BILINEAR_FILTER, onOff, settings.bBilinearFilter ? 1 : 0);
  row(OPTIONS_VERTICAL_SYNC, onOff, settings.bVerticalSync ? 1 : 0);
  row(OPTIONS_DETAIL, {text(OPTIONS_DETAIL_LOW), text(OPTIONS_DETAIL_HIGH)}, settings.detailLevel >= 1 ? 1 : 0);
  addButton(-110, -195, text(MENU_APPLY));
  addButton(110, -195, text(MENU_BACK));
  for (int32_t item = kVideoMode; item <= kDetail; ++item)
    initial.push_back(selector(static_cast<Item>(item)) ? selector(static_cast<Item>(item))->index : 0);
}

MenuSelector* ContextAdvancedOptions::selector(Item item) const {
  return item < static_cast<int32_t>(items.size()) ? dynamic_cast<MenuSelector*>(items[item]->target) : nullptr;
}

MenuButton* ContextAdvancedOptions::button(Item item) const {
  return item < static_cast<int32_t>(items.size()) ? dynamic_cast<MenuButton*>(items[item]->target) : nullptr;
}

bool ContextAdvancedOptions::hasChanges() const {
  for (int32_t item = kVideoMode; item <= kDetail; ++item)
    if (const MenuSelector* value = selector(static_cast<Item>(item)); value && value->index != initial[item])
      return true;
  return false;
}

void ContextAdvancedOptions::apply() {
  GameConfiguration& settings = global.gameConfiguration;
  const auto on = [&](Item item, uint8_t keep) {
    const MenuSelector* value = selector(item);
    return value ? static_cast<uint8_t>(value->index) : keep;
  };
  settings.bFullScreen = on(kFullScreen, settings.bFullScreen);
  settings.bAllowLetterbox = on(kLetterbox, settings.bAllowLetterbox);
  settings.bBilinearFilter = on(kBilinearFilter, settings.bBilinearFilter);
  settings.bVerticalSync = on(kVerticalSync, settings.bVerticalSync);
  if (const MenuSelector* detail = selector(kDetail)) settings.detailLevel = detail->index;
  int32_t width = -1, height = -1;
  if (const MenuSelector* mode = selector(kVideoMode); mode && mode->index < static_cast<int32_t>(modes.size())) {
    std::tie(width, height) = modes[mode->index];
    settings.videoModeWidth = width;
    settings.videoModeHeight = height;
  }
  global.applyConfiguration(width, height);
  global.saveUserData();
  bFinished = 1;
}

void ContextAdvancedOptions::tickContents(double time, double delta) {
  ContextMenu::tickContents(time, delta);
  // Escape asks first, as Back does, while there is something to lose.
  bEscapeConfirms = hasChanges();
  if (MenuButton* applyButton = button(kApply); applyButton && applyButton->bClicked) {
    apply();
  } else if (MenuButton* backButton = button(kBack); backButton && backButton->bClicked) {
    if (bEscapeConfirms && global.pContextManager)
      global.pContextManager->push(new ConfirmScreen(this));
    else
      bFinished = 1;
  }
}

void ContextAdvancedOptions::renderContents() {
  Context::renderContents();
  if (FontQuad* font = findFont(u"fontLarge"))
    font->drawText(0, 205, 0, 0xFFFFFFFF, FontQuad::kAlignCentre | FontQuad::kCentreVertically,
                   text(MENU_ADVANCED_OPTIONS));
}
