#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <tuple>

#include "engine/AppPaths.h"
#include "base/StringUtils.h"
#include "engine/SystemInfo.h"
#include "support/EngineFixture.h"

namespace fs = std::filesystem;

namespace {

fs::perms permsOf(const fs::path& path) { return fs::status(path).permissions(); }

}  // namespace

TEST(SystemInfoTest, UserDataFolderIsCreatedUnderXdgDataHomeAndTheProgramsFolderIsItsOwn) {
  TempDataHome temp;
  const fs::path home = temp.path() / "data" / "home";
  ScopedEnv xdg("XDG_DATA_HOME", home.c_str());

  const fs::path expected = home / "Quillon studios" / "Skerrion2demo" / "2.79";
  // New folders get the umask's rights: no group that could plant links there.
  const mode_t umaskBefore = umask(077);
  const std::u16string folder = getUserDataFolder();
  umask(umaskBefore);
  EXPECT_EQ(folder, fromUtf8(expected.string() + "/"));
  EXPECT_EQ(userDataFolderPath(), folder);
  for (fs::path level = expected; level != home; level = level.parent_path()) {
    ASSERT_TRUE(fs::is_directory(level)) << level;
    EXPECT_EQ(permsOf(level) & fs::perms::all, fs::perms(0700)) << level;
  }

  // An existing folder keeps its rights.
  fs::permissions(expected, fs::perms(0700));
  EXPECT_EQ(getUserDataFolder(), folder);
  EXPECT_EQ(permsOf(expected) & fs::perms::all, fs::perms(0700));

  const std::string bin = fs::canonical(ZIB_BIN_DIR).string();
  EXPECT_EQ(getProgramFolder(), fromUtf8(bin));
  EXPECT_EQ(getInstallFolder(), fromUtf8(bin + "/"));
  EXPECT_EQ(baseDirectoryPath(), getInstallFolder());
}

TEST(SystemInfoTest, CommonFolderFallsBackToHomeThenDot) {
  TempDataHome temp;
  ScopedEnv home("HOME", temp.path().c_str());
  ScopedEnv emptyXdg("XDG_DATA_HOME", "");
  EXPECT_EQ(getCommonAppDataFolder(), fromUtf8((temp.path() / ".local/share").string()));
  EXPECT_TRUE(fs::is_directory(temp.path() / ".local/share"));
  {
    ScopedEnv relativeXdg("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(getCommonAppDataFolder(), fromUtf8((temp.path() / ".local/share").string()));
  }
  ScopedEnv badXdg("XDG_DATA_HOME", "/proc/no-such-folder");
  EXPECT_EQ(getCommonAppDataFolder(), u".");

  // The user learns once where the files go instead.
  const fs::path before = fs::current_path();
  fs::current_path(temp.path());
  testing::internal::CaptureStderr();
  getUserDataFolder();
  getUserDataFolder();
  const std::string said = testing::internal::GetCapturedStderr();
  fs::current_path(before);
  EXPECT_EQ(said, "Skerrion 2: no usable data folder from XDG_DATA_HOME or HOME; the log, configuration and saves go to " +
                      (temp.path() / "Quillon studios/Skerrion2demo/2.79").string() + "\n");
}

TEST(SystemInfoTest, FileExistsAndCopyFile) {
  TempDataHome temp;
  const auto path = [&](const char* name) { return fromUtf8((temp.path() / name).string()); };
  std::ofstream(temp.path() / "source.txt") << "new";
  std::ofstream(temp.path() / "target.txt") << "old text";
  EXPECT_TRUE(fileExists(path("source.txt")));
  EXPECT_FALSE(fileExists(fromUtf8(temp.path().string())));

  copyFile(path("source.txt"), path("target.txt"));
  EXPECT_EQ(fs::file_size(temp.path() / "target.txt"), 3u);
}

TEST(SystemInfoTest, LanguageCodeComesFromTheLocaleVariables) {
  ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
  EXPECT_EQ(getSystemLanguageCode(), u"en");

  const std::pair<const char*, const char16_t*> cases[] = {
      {"de_DE.UTF-8", u"de"}, {"fr", u"fr"}, {"sr@latin", u"sr"}, {"C.UTF-8", u"en"}, {"POSIX", u"en"}};
  for (const auto& [locale, code] : cases) {
    ScopedEnv value("LANG", locale);
    EXPECT_EQ(getSystemLanguageCode(), code) << locale;
  }

  // LC_ALL wins over LC_MESSAGES, which wins over LANG.
  ScopedEnv langValue("LANG", "it_IT");
  ScopedEnv messagesValue("LC_MESSAGES", "es_ES");
  EXPECT_EQ(getSystemLanguageCode(), u"es");
  ScopedEnv allSet("LC_ALL", "ja_JP.eucJP");
  EXPECT_EQ(getSystemLanguageCode(), u"ja");
}

TEST(SystemInfoTest, LerpColorRoundsHalfToEvenAndClamps) {
  // From, to, amount, result; 0x01030507 halved is 0.5, 1.5, 2.5, 3.5. Outside [0, 1] each channel stops at
  // its bound instead of wrapping.
  const std::tuple<uint32_t, uint32_t, float, uint32_t> cases[] = {{0xFF000000, 0xFFFFFFFF, 0.5f, 0xFF808080},
      {0x00000000, 0x01030507, 0.5f, 0x00020204}, {0x00FF0080, 0xFF00FF80, 2.0f, 0xFF00FF80},
      {0x00FF0080, 0xFF00FF80, -1.0f, 0x00FF0080}};
  for (const auto& [from, to, amount, expected] : cases) {
    uint32_t out = 0;
    lerpColor(out, from, to, amount);
    EXPECT_EQ(out, expected) << amount;
  }
}

TEST(SystemInfoTest, TimeStampsUseDashesAndDots) {
  const int64_t march4 = 1614834367;  // 2021-03-04 05:06:07 UTC
  ScopedEnv tz("TZ", "CET-1");
  EXPECT_EQ(getTimeStampString(march4), u"2021-03-04 06.06.07");
  EXPECT_EQ(getUtcTimeStampString(march4), u"2021-03-04 05.06.07");
  EXPECT_EQ(getTimeStampString(std::numeric_limits<int64_t>::max()), u"");
}
