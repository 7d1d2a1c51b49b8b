#include "frontend/ContextOptions.h"

#include <algorithm>
#include <cmath>

#include "app/ContextManager.h"
#include "app/Global.h"
#include "app/MenuSelector.h"
#include "base/Format.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/audio/Sound.h"
#include "frontend/ContextAdvancedOptions.h"
#include "graphics/text/FontQuad.h"
#include "localisation/TextKeys.h"

namespace {

// Selectors: captions on the left half, the values right of the middle.
constexpr float kValueX = 120;

}  // namespace

ContextOptions::ContextOptions(Global& global) : global(global) {
  bDeleteWhenFinished = 1;
  const GameConfiguration& settings = global.gameConfiguration;
  pSoundVolume = addSelector(kValueX, 130, text(OPTIONS_SOUND_VOLUME), volumeLabels(), volumeStep(settings.soundVolume),
                             false);
  pMusicVolume = addSelector(kValueX, 74, text(OPTIONS_MUSIC_VOLUME), volumeLabels(), volumeStep(settings.musicVolume),
                             false);
  pMute = addSelector(kValueX, 18, text(OPTIONS_MUTE), {text(MENU_OFF), text(MENU_ON)}, settings.bMute ? 1 : 0, true);
  std::vector<std::u16string> rates;
  for (int32_t rate : kSampleRates) rates.push_back(formatString(u"%d Hz", rate));
  pSampleRate = addSelector(kValueX, -38, text(OPTIONS_SAMPLE_RATE), rates, settings.sampleRateIndex, true);
  pAdvancedButton = addButton(-110, -170, text(MENU_ADVANCED));
  pBackButton = addButton(110, -170, text(MENU_BACK));
}

int32_t ContextOptions::volumeStep(float volume) {
  return std::isfinite(volume) ? std::clamp(static_cast<int32_t>(std::lround(volume * 10)), 0, 10) : 10;
}

std::vector<std::u16string> ContextOptions::volumeLabels() {
  std::vector<std::u16string> labels;
  for (int32_t step = 0; step <= 10; ++step) labels.push_back(formatString(u"%d %%", step * 10));
  return labels;
}

void ContextOptions::tickContents(double time, double delta) {
  ContextMenu::tickContents(time, delta);
  GameConfiguration& settings = global.gameConfiguration;
  const auto changed = [](MenuSelector* selector) { return selector && selector->bChanged; };
  const bool bSoundChanged = changed(pSoundVolume);
  if (bSoundChanged) settings.soundVolume = static_cast<float>(pSoundVolume->index) / 10.0f;
  if (changed(pMusicVolume)) settings.musicVolume = static_cast<float>(pMusicVolume->index) / 10.0f;
  if (changed(pMute)) settings.bMute = static_cast<uint8_t>(pMute->index);
  if (changed(pSampleRate)) settings.sampleRateIndex = pSampleRate->index;
  if (bSoundChanged || changed(pMusicVolume) || changed(pMute) || changed(pSampleRate)) {
    global.applyConfiguration(-1, -1);
    // The new sound volume, heard.
    if (bSoundChanged && zib->pResourceManager)
      if (auto* click = dynamic_cast<Sound*>(zib->pResourceManager->find(false, u"clickSnd"))) click->play();
  }
  if (pAdvancedButton && pAdvancedButton->bClicked && global.pContextManager)
    global.pContextManager->push(new ContextAdvancedOptions(global));
  if (pBackButton && pBackButton->bClicked) bFinished = 1;
}

void ContextOptions::renderContents() {
  Context::renderContents();
  const int32_t centred = FontQuad::kAlignCentre | FontQuad::kCentreVertically;
  if (FontQuad* font = findFont(u"fontLarge")) font->drawText(0, 200, 0, 0xFFFFFFFF, centred, text(MENU_OPTIONS));
  if (FontQuad* font = findFont(u"fontSmall"))
    font->drawText(0, -80, 0, 0xFFE0E8F0, centred, text(OPTIONS_SAMPLE_RATE_NOTE));
}

void ContextOptions::onLeave(bool flag) {
  ContextMenu::onLeave(flag);
  global.saveUserData();
}
