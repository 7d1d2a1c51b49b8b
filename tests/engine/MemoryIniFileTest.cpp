#include "engine/MemoryIniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string_view>

#include "engine/ByteBuffer.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "support/EngineFixture.h"

namespace {

using namespace std::literals;
using Contents = std::map<std::u16string, std::map<std::u16string, std::u16string>>;

MemoryIniFile parse(std::string_view bytes) {
  ByteBuffer buffer;
  buffer.append(bytes.data(), bytes.size());
  return MemoryIniFile(buffer);
}

// Sections and pairs, leaving out sections without keys.
Contents contentsOf(const MemoryIniFile& ini) {
  Contents contents;
  for (const auto& [name, section] : ini.sections)
    for (const auto& [key, entry] : section.keys) contents[name][key] = entry.value;
  return contents;
}

class MemoryIniFileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    useDiskFiles();
  }

  std::filesystem::path path(const char* name) const { return userDataFolder() / name; }
};

TEST_F(MemoryIniFileTest, ParsesLinesAsTheFormatDefines) {
  MemoryIniFile ini = parse(
      "top=1\r\n"
      "[Zib]\r\n"
      "debugLevel=0\n"
      "  k==v \t\n"
      "=v\n"
      " a = b \n"
      "debugLevel=5\n"
      "\n"
      "[Other]\n"
      "x=1\n"
      "[Zib]\n"
      "late=yes\n"
      "; comment\n"
      "c=3\n"
      "?\n"
      "d=4\n"
      "[]\n"
      "e=5\n");
  EXPECT_EQ(contentsOf(ini), (Contents{
                                 {u"", {{u"top", u"1"}, {u"d", u"4"}, {u"e", u"5"}}},
                                 {u"Zib",
                                  {{u"debugLevel", u"0"}, {u"k", u"=v"}, {u"", u"v"}, {u"a ", u" b"}, {u"late", u"yes"}}},
                                 {u"Other", {{u"x", u"1"}}},
                                 {u" commen", {{u"c", u"3"}}},
                             }));
}

TEST_F(MemoryIniFileTest, TypedGettersConvertAndMissingKeysAreFatal) {
  MemoryIniFile ini = parse(
      "[S]\nn=42abc\nneg= -7\nword=abc\nbig=99999999999\nsmall=-99999999999\nlimit=2147483647\n"
      "d=0.25000000\nyes=Yes\nlower=yes\none=1\nempty=\nY=Y");
  for (const auto& [key, expected] : {std::pair{u"n", 42}, {u"neg", -7}, {u"word", 0}, {u"big", INT32_MAX},
                                      {u"small", INT32_MIN}, {u"limit", INT32_MAX}})
    EXPECT_EQ(ini.getInt(u"S", key), expected) << toUtf8(key);
  EXPECT_EQ(ini.getDouble(u"S", u"d"), 0.25);
  EXPECT_EQ(ini.getDouble(u"S", u"word"), 0.0);
  for (const auto& [key, expected] : {std::pair{u"yes", true}, {u"Y", true}, {u"lower", false}, {u"one", false}, {u"empty", false}})
    EXPECT_EQ(ini.getBool(u"S", key), expected) << toUtf8(key);
  EXPECT_FATAL(ini.getString(u"S", u"missing"), "Key 'missing' could not be found in section 'S'.");
  EXPECT_FATAL(ini.getInt(u"Nowhere", u"k"), "Key 'k' could not be found in section 'Nowhere'.");
}

TEST_F(MemoryIniFileTest, SettersFormatAndTheSavedFormKeepsFileOrderAndEmptySections) {
  MemoryIniFile ini = parse("k=0\n[B]\nz=1\ny=2\n[A]\nx=3\n");
  EXPECT_FALSE(ini.hasKey(u"Queried", u"k"));
  ini.setString(u"B", u"a", u"new");
  ini.setString(u"B", u"z", u"changed");
  ini.setDouble(0.25, u"S", u"d");
  ini.setDouble(0.2, u"S", u"tenth");
  ini.setInt(-12, u"S", u"i");
  ini.setBool(true, u"S", u"on");
  ini.setBool(false, u"S", u"off");
  ini.setString(u"S", u"d", u"replaced");
  ini.setDouble(0.25, u"S", u"d");
  ini.setString(u"S", u"gone", u"x");
  ini.removeKey(u"S", u"gone");
  EXPECT_EQ(ini.saveText(),
            "\xEF\xBB\xBF[]\r\nk=0\r\n\r\n[B]\r\nz=changed\r\ny=2\r\na=new\r\n\r\n[A]\r\nx=3\r\n\r\n[Queried]\r\n\r\n"
            "[S]\r\nd=0.25000000\r\ntenth=0.20000000\r\ni=-12\r\non=Yes\r\noff=No\r\n\r\n");
  EXPECT_EQ(contentsOf(parse(ini.saveText())), contentsOf(ini));
}

TEST_F(MemoryIniFileTest, SettersCannotInjectLines) {
  MemoryIniFile ini = parse("");
  ini.setString(u"Zib", u"name", u"me\r\n[Evil]\r\nbEvil=Yes");
  ini.setString(u"Zib", u"key\nbInjected\n", u"v");
  ini.setString(u"Zib\r\n[Evil]\r\n", u"k", u"v");
  const Contents reread = contentsOf(parse(ini.saveText()));
  EXPECT_EQ(reread, (Contents{{u"Zib", {{u"name", u"me[Evil]bEvil=Yes"}, {u"keybInjected", u"v"}}},
                              {u"Zib[Evil]", {{u"k", u"v"}}}}));
}

TEST_F(MemoryIniFileTest, ReparsingTheSavedFormGivesTheSameContents) {
  for (std::string_view text : {
           "a=1\n[S]\nk = v\n[S]\nk=2\nx=\n[T]\n"sv,
           "\xEF\xBB\xBF[\xE2\x82\xAC]\r\n\xC3\xA9=\xF0\x9F\x98\x80\r\n[]\r\n==\r\n"sv,
           "\xFF\xFE[\0S\0]\0\n\0k\0=\0\x01\xD8"sv,
           "x\n\t y=z\t\r\r\n[a\rb]\nq\rr=s\r\n;x\n[ s ]\n=\n"sv,
       }) {
    const MemoryIniFile first = parse(text);
    EXPECT_EQ(contentsOf(parse(first.saveText())), contentsOf(first)) << text;
  }
}

TEST_F(MemoryIniFileTest, FilesReadThroughTheFileManagerAndSaveAsUtf8ByRename) {
  const auto file = path("user.cfg");
  const std::u16string name = fromUtf8(file.string());
  EXPECT_TRUE(MemoryIniFile(name).sections.empty());
  EXPECT_FALSE(std::filesystem::exists(file));
  // A sparse file costs nothing on disk but gigabytes to read and decode: past the limit it reads as empty.
  writeFile(file, "[S]\nk=v\n");
  std::filesystem::resize_file(file, MemoryIniFile::kMaxFileBytes);
  EXPECT_EQ(MemoryIniFile(name).getString(u"S", u"k"), u"v");
  std::filesystem::resize_file(file, MemoryIniFile::kMaxFileBytes + 1);
  EXPECT_TRUE(MemoryIniFile(name).sections.empty());
  writeFile(file, "");
  EXPECT_TRUE(MemoryIniFile(name).sections.empty());

  writeFile(file, "\xFF\xFE[\0S\0]\0\n\0k\0=\0\xAC\x20"sv);
  MemoryIniFile ini(name);
  EXPECT_EQ(ini.getString(u"S", u"k"), u"\u20ac");
  EXPECT_TRUE(ini.save().ok());
  const std::string saved = "\xEF\xBB\xBF[S]\r\nk=\xE2\x82\xAC\r\n\r\n";
  EXPECT_EQ(readFile(file), saved);
  EXPECT_FALSE(std::filesystem::exists(path("user.cfg.tmp")));

  // The temporary file cannot be created while a folder has its name: the old file stays.
  ini.setString(u"S", u"k", u"new");
  std::filesystem::create_directory(path("user.cfg.tmp"));
  const WriteResult result = ini.save();
  EXPECT_EQ(result.error, EISDIR);
  EXPECT_EQ(result.reason(), u"Is a directory");
  EXPECT_EQ(readFile(file), saved);

  EXPECT_EQ(MemoryIniFile(fromUtf8((userDataFolder() / "missing" / "x.cfg").string())).save().error, ENOENT);
  EXPECT_FALSE(std::filesystem::exists(userDataFolder() / "missing"));
  EXPECT_TRUE(parse("[S]\nk=1").save().ok());  // no file name: nothing to write
}

}  // namespace
