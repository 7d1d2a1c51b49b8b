#include "app/TitleScreen.h"

#include "app/ScreenPicture.h"
#include "engine/Zib.h"

ZIB_DEFINE_HASHED_CLASS(TitleScreen, Context, 0x4229753a, u"_4229753a", makeObject<TitleScreen>);

TitleScreen::TitleScreen() {
  bDeleteWhenFinished = 1;
  pPicture = addScreenPicture(this, u"titleTex", PictureFit::kContain);
  if (pPicture) pPicture->setScaleXY(1.5f);
  if (pPicture) pPicture->setPosition(0, 40, 0);
}
