#include "app/MenuSelector.h"

#include <algorithm>

#include "graphics/Context.h"
#include "graphics/Skin.h"
#include "graphics/text/FontQuad.h"

MenuSelector::MenuSelector(Skin* normal, Skin* hover, Skin* pressed, FontQuad* font, std::u16string caption,
                           std::vector<std::u16string> values, int32_t index, bool bWraps)
    : MenuButton(normal, hover, pressed, font, u""), caption(std::move(caption)), values(std::move(values)),
      bWraps(bWraps) {
  select(index);
}

void MenuSelector::tick(double time, double delta) {
  bChanged = false;
  MenuButton::tick(time, delta);
  if (!bClicked) return;
  // Where the click ended: the middle (where a keyboard's click lands) steps on.
  const auto* screen = static_cast<Context*>(findContext());
  step(screen && screen->pointerPos.x < position.x - kMiddleHalfWidth ? -1 : 1);
}

void MenuSelector::step(int32_t by) {
  const auto count = static_cast<int32_t>(values.size());
  if (count == 0) return;
  const int32_t next = bWraps ? ((index + by) % count + count) % count : std::clamp(index + by, 0, count - 1);
  if (next == index) return;
  select(next);
  bChanged = true;
}

void MenuSelector::select(int32_t newIndex) {
  index = values.empty() ? 0 : std::clamp(newIndex, 0, static_cast<int32_t>(values.size()) - 1);
  label = values.empty() ? std::u16string() : values[index];
}

void MenuSelector::render() {
  MenuButton::render();
  if (bHidden || !pFont) return;
  const float halfWidth = looks[0] ? looks[0]->width * scale.x / 2 : 0;
  const float sink = look == kPressed ? -2.0f : 0.0f;
  const int32_t middle = FontQuad::kCentreVertically;
  // Marks at the ends that say which half steps which way.
  const UColor marks = 0xA0FFFFFF;
  if (bWraps || index > 0)
    pFont->drawText(position.x - halfWidth + 14, position.y + sink, position.z, marks, middle | FontQuad::kAlignCentre,
                    u"<");
  if (bWraps || index + 1 < static_cast<int32_t>(values.size()))
    pFont->drawText(position.x + halfWidth - 14, position.y + sink, position.z, marks, middle | FontQuad::kAlignCentre,
                    u">");
  pFont->drawText(position.x - halfWidth - 16, position.y, position.z, labelColor, middle | FontQuad::kAlignRight,
                  caption);
}
