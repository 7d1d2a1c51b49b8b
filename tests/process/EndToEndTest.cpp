// The program end to end under Xvfb: loading, the title screen as it looks,
// real mouse and key presses, the saved settings taking effect.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "process/EndToEnd.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The title screen in an 800 x 480 window, averaged over 4 x 4 squares. Set
// ZIB_UPDATE_REFERENCE=1 to write it anew from the running program.
const fs::path kTitleReference = fs::path(ZIB_TEST_DATA_DIR) / "title-800x480.ppm";

constexpr char kWindowed[] = "[ZibGraphics]\nbFullScreen=No\nvideoModeWidth=800\nvideoModeHeight=480\n";

TEST_F(EndToEndTest, LoadsShowsTheTitleAsItShouldLookAndClosingTheWindowEndsIt) {
  writeConfig(kWindowed);
  const pid_t pid = start();
  ASSERT_TRUE(waitForLog("createZIB(): Entering game loop.\r\n")) << output();
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout));

  Screenshot last;
  if (std::getenv("ZIB_UPDATE_REFERENCE")) {
    std::this_thread::sleep_for(5s);
    last = screenshot(window)->reduced(4);
    ASSERT_TRUE(last.save(kTitleReference));
  }
  const std::optional<Screenshot> reference = Screenshot::load(kTitleReference);
  ASSERT_TRUE(reference);
  const bool bMatched = waitForPicture(window, *reference, &last);
  if (!bMatched) last.save(fs::path(testing::TempDir()) / "title-seen.ppm");
  EXPECT_TRUE(bMatched) << "mean difference " << last.meanDifference(*reference) << ", share off "
                        << last.shareDifferent(*reference, 40) << "; seen in " << testing::TempDir();

  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
  EXPECT_TRUE(log().ends_with("Zib::~Zib(): Done. Clean exit.\r\n"));
}

}  // namespace
