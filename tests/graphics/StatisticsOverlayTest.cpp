#include "graphics/StatisticsOverlay.h"

#include <algorithm>

#include "engine/Zib.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontCacheEntry.h"
#include "graphics/text/FontGDI.h"
#include "support/GraphicsFixture.h"

namespace {

class StatisticsOverlayTest : public GraphicsTest {};

// The texts the overlay drew, in the default font's cache.
std::vector<std::string> drawnTexts() {
  std::vector<std::string> texts;
  for (BasicLink* node = zib->pDefaultFont->pFontCache->pEntries->firstChild; node; node = node->next)
    if (const auto* entry = static_cast<FontCacheEntry*>(node); !entry->text.empty()) texts.push_back(toUtf8(entry->text));
  return texts;
}

TEST_F(StatisticsOverlayTest, DebugLevelBitsChooseTheLinesWithTheSavedCounters) {
  makeGraphics();
  zib->pDefaultFont = new FontGDI(12, 1, 1, 1, u"Arial");
  const int32_t stats[9] = {7, 5, 20, 1, 2, 3, 4, 0, 6};
  zib->debugLevel = 1;
  StatisticsOverlay::draw(stats);
  std::vector<std::string> texts = drawnTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("frame: fps=", 0), 0u);

  zib->debugLevel = 2 | 4;
  zib->renderedFrames += 2;  // the first frame's strip may be taken again
  StatisticsOverlay::draw(stats);
  texts = drawnTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "5/7 renderables, 20 vertices, 1 vbuffer writes, 4 update visuals, 0 invXforms, 6 collisions"),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "tex 0.0"), texts.end());  // the memory graph's label
  delete zib->pDefaultFont;
  zib->pDefaultFont = nullptr;
}

TEST(StatisticsOverlayLabelsTest, LabelsKeepALineApartAndInsideTheView) {
  // Four empty series at the bottom edge: stacked upward, the first lowest, all above the edge.
  std::vector<float> y = StatisticsOverlay::placeLabels({0, 0, 0, 0}, 12, 0, 480);
  EXPECT_EQ(y, (std::vector<float>{12, 24, 36, 48}));
  // Wishes kept where they do not meet; near the top the rows give way downward.
  y = StatisticsOverlay::placeLabels({100, 40, 475}, 12, 0, 480);
  EXPECT_EQ(y, (std::vector<float>{100, 40, 475}));
  y = StatisticsOverlay::placeLabels({470, 478, 700}, 12, 0, 480);
  EXPECT_EQ(y, (std::vector<float>{456, 468, 480}));
}

}  // namespace
