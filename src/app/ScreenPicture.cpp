#include "app/ScreenPicture.h"

#include <algorithm>
#include <cmath>

#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/Camera.h"
#include "graphics/Context.h"
#include "graphics/RectF.h"
#include "graphics/Skin.h"
#include "graphics/Texture.h"

Renderable* addScreenPicture(Context* screen, const char16_t* resourceName, PictureFit fit, float y) {
  ZibBase* resource = zib->pResourceManager->find(false, resourceName);
  Skin* skin = dynamic_cast<Skin*>(resource);
  if (auto* texture = dynamic_cast<Texture*>(resource)) skin = texture->getSkin(0);
  if (!skin || skin->width <= 0 || skin->height <= 0) return nullptr;
  const RectF view = screen->pCamera->getViewRect(0);
  const float across = std::abs(view.right - view.left) / skin->width;
  const float down = std::abs(view.top - view.bottom) / skin->height;
  const float factor = fit == PictureFit::kContain ? std::min(across, down) : std::max(across, down);
  const Vector3 scale(factor, factor, 1), place(0, y, 0);
  auto* picture = new Renderable();
  screen->appendChild(picture);
  picture->setPlacement(skin, &place, nullptr, &scale, nullptr, nullptr);
  return picture;
}
