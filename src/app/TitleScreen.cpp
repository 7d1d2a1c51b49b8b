#include "app/TitleScreen.h"

ZIB_DEFINE_HASHED_CLASS(TitleScreen, Context, 0x4229753a, u"_4229753a", makeObject<TitleScreen>);

TitleScreen::TitleScreen() { bDeleteWhenFinished = 1; }
