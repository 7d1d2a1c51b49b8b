#include "app/TitleScreen.h"

#include <algorithm>
#include <cmath>

#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/audio/SoundStream.h"
#include "engine/audio/ZibAudio.h"
#include "graphics/Camera.h"
#include "graphics/RectF.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"

ZIB_DEFINE_HASHED_CLASS(TitleScreen, Context, 0x4229753a, u"_4229753a", makeObject<TitleScreen>);

TitleScreen::TitleScreen() {
  bDeleteWhenFinished = 1;
  // The picture is there once the loading screen has registered it.
  auto* texture = static_cast<Texture*>(zib->pResourceManager->find(false, u"titleTex"));
  if (!texture) return;
  Skin* skin = texture->getSkin(0);
  // As large as the screen allows, keeping its shape.
  const RectF view = pCamera->getViewRect(0);
  const float fit =
      std::min(std::abs(view.right - view.left) / skin->width, std::abs(view.top - view.bottom) / skin->height);
  const Vector3 scale(fit, fit, 1);
  pPicture = new Renderable();
  appendChild(pPicture);
  pPicture->setPlacement(skin, nullptr, nullptr, &scale, nullptr, nullptr);
}

void TitleScreen::onEnter(bool firstEnter) {
  Context::onEnter(firstEnter);
  auto* music = static_cast<SoundStream*>(zib->pResourceManager->find(false, u"titleMusic"));
  if (music && zib->pZibAudio) zib->pZibAudio->setMusic(music);
}
