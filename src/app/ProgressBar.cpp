#include "app/ProgressBar.h"

#include <algorithm>

#include "graphics/Renderable.h"
#include "graphics/Skin.h"
#include "graphics/Texture.h"

ProgressBar::ProgressBar(Texture* texture, float y) : y(y) {
  const Vector3 place(0, y, 0);
  pFrame = new Renderable();
  pFill = new Renderable();
  appendChild(pFrame);
  appendChild(pFill);
  pFrame->setPlacement(texture->getSkin(0), &place, nullptr, nullptr, nullptr, nullptr);
  pFill->setPlacement(texture->getSkin(1), &place, nullptr, nullptr, nullptr, nullptr);
  setProgress(0);
}

void ProgressBar::setProgress(float done) {
  done = std::clamp(done, 0.0f, 1.0f);
  const float width = pFill->pSkin->width;
  const Vector3 scale(done, 1, 1);
  const Vector3 place(-width * (1 - done) / 2, y, 0);
  pFill->setPlacement(nullptr, &place, nullptr, &scale, nullptr, nullptr);
}
