#include <gmock/gmock.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/DataStream.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "support/EngineFixture.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

std::string le32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// A WAD written directly: plain names, the given numbers, then `tail` as data.
struct RawRecord {
  std::string name;
  uint32_t offset, size, storedSize;
};
std::string rawWad(const std::vector<RawRecord>& records, const std::string& tail, uint32_t version = 2) {
  std::string out = le32(version) + le32(static_cast<uint32_t>(records.size()));
  for (const RawRecord& r : records) {
    std::string name = r.name;
    name.resize(80, '\0');
    out += name + le32(r.offset) + le32(r.size) + le32(r.storedSize);
  }
  return out + tail;
}

std::string zlibOf(const std::string& data) {
  uLongf length = compressBound(data.size());
  std::string out(length, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.data()), data.size());
  out.resize(length);
  return out;
}

std::string noise(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(random());
  return out;
}

}  // namespace

class FileManagerTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    oldFolder = fs::current_path();
    fs::create_directories(dataHome.path() / "work");
    fs::current_path(dataHome.path() / "work");
    zib->pFileManager = files = new FileManager();
  }
  void TearDown() override {
    files->bCreateWad = false;  // recorded entries are dropped, not written
    EngineTest::TearDown();
    fs::current_path(oldFolder);
  }

  std::string read(const std::u16string& name) {
    FileData data(false, name);
    return std::string(reinterpret_cast<const char*>(data.block.data), data.block.size);
  }

  // Packs the files through creation mode on a fresh manager; returns the written path.
  std::string pack(const std::string& wad, const Files& contents, bool compress) {
    files->bCreateWad = false;  // recorded entries are dropped, not written
    delete files;
    zib->pFileManager = files = new FileManager();
    for (const auto& [name, bytes] : contents) writeFile(name, bytes);
    files->bUseWad = false;
    files->bCreateWad = true;
    files->useWad(fromUtf8(wad));
    for (const auto& [name, bytes] : contents) delete files->open(nullptr, fromUtf8(name));
    seedRandom(7);
    files->saveSubWad(compress, fromUtf8(wad));
    files->bUseWad = true;
    files->bCreateWad = false;
    for (const auto& [name, bytes] : contents) fs::remove(name);
    return "wad/win/" + wad + (compress ? ".z" : "");
  }

  fs::path oldFolder;
  FileManager* files = nullptr;
};

TEST_F(FileManagerTest, RoundTripsRawAndCompressedWithAlignedBlocks) {
  const std::string longName = "d/" + std::string(77, 'n');  // 79 bytes: the longest that fits
  const Files contents = {{"a.txt", std::string(3000, 'a')},
                          {"b/noise.bin", noise(1001, 1)},
                          {"empty", ""},
                          {longName, "long"}};
  for (const bool compress : {false, true}) {
    for (const size_t count : {3u, 4u}) {
      SCOPED_TRACE(testing::Message() << "compress " << compress << " count " << count);
      Files subset(contents.begin(), std::next(contents.begin(), count));
      const std::string wad = "set" + std::to_string(count) + ".dat";
      const std::string path = pack(wad, subset, compress);
      const std::string bytes = readFile(path);
      EXPECT_FALSE(files->bForceDisk);
      files->useWad(fromUtf8(path));

      uint32_t expectedOffset = 8 + 92 * count;
      for (uint32_t i = 0; i < count; ++i) {
        EXPECT_TRUE(bytes[8 + 92 * i] & 0x80) << "names are scrambled";
        uint32_t numbers[3];
        memcpy(numbers, bytes.data() + 8 + 92 * i + 80, 12);
        expectedOffset = (expectedOffset + 7) / 8 * 8;
        EXPECT_EQ(numbers[0], expectedOffset);
        expectedOffset += numbers[2];
      }
      EXPECT_EQ(bytes.size(), expectedOffset);
      // Odd counts leave 4 zero bytes before the first block.
      const uint32_t fill = *reinterpret_cast<const uint32_t*>(bytes.data() + 8 + 80) - (8 + 92 * count);
      EXPECT_EQ(fill, count % 2 ? 4u : 0u);
      EXPECT_EQ(bytes.substr(8 + 92 * count, fill), std::string(fill, '\0'));

      for (const auto& [name, data] : subset) {
        EXPECT_EQ(read(fromUtf8(name)), data) << name;
        const WadEntry& entry = files->wadEntries.at(fromUtf8(name));
        // Only the repetitive file saves 2 percent; noise and empty files stay raw.
        EXPECT_EQ(entry.storedSize != entry.size, compress && name == "a.txt") << name;
      }
    }
  }
  // The same seed writes the same bytes.
  const std::string first = readFile(pack("again.dat", contents, true));
  EXPECT_EQ(readFile(pack("again.dat", contents, true)), first);
}

TEST_F(FileManagerTest, WriterChecksNamesAndOutput) {
  // 41 UTF-16 units but 81 UTF-8 bytes: too long for the field.
  std::string wide = "x";
  for (int i = 0; i < 40; ++i) wide += "\xC3\xA9";
  EXPECT_FATAL(pack("wide.dat", {{wide, "1"}}, false), "utf8Name.size() < WADDISKENTRY_FILENAME_BYTESIZE");
  EXPECT_FATAL(pack("accent.dat", {{"\xC3\xA9t\xC3\xA9", "1"}}, false), "< 0x80");
  writeFile("wad", "a file where the output folder should be");
  EXPECT_FATAL(pack("blocked.dat", {{"a", "1"}}, false), "Cannot create WAD");
}

TEST_F(FileManagerTest, CreationModeWritesEveryWadAtShutdown) {
  writeFile("one", "1");
  writeFile("two", "22");
  files->bUseWad = false;
  files->bCreateWad = true;
  files->useWad(u"first.dat");
  delete files->open(nullptr, u"one");
  files->useWad(u"second.dat");
  delete files->open(nullptr, u"two");
  delete files->open(nullptr, u"one");  // already recorded for first.dat
  delete files;  // writes both
  zib->pFileManager = files = new FileManager();
  files->useWad(u"wad/win/first.dat");
  files->useWad(u"wad/win/second.dat");
  EXPECT_EQ(files->wadEntries.at(u"one").wadName, u"wad/win/first.dat");
  EXPECT_EQ(read(u"two"), "22");
  EXPECT_FALSE(fs::exists("wad/win/first.dat.tmp"));
}

TEST_F(FileManagerTest, WadAndDiskModes) {
  writeFile("same", "disk");
  writeFile("diskonly", "d");
  writeFile("sub/f.txt", "slashes");
  writeFile("a.dat", rawWad({{"same", 284, 3, 3}, {"Same", 287, 1, 1}, {"b.dat", 288, 1, 1}}, "wadXy"));
  writeFile("b.dat", rawWad({{"same", 192, 1, 1}, {"bee", 192, 1, 1}}, "B"));
  files->useWad(u"a.dat");
  files->useWad(u"a.dat");  // mounted once
  files->useWad(u"b.dat");  // a file of that name does not stop the mount
  EXPECT_EQ(files->openWads.countChildren(), 2u);
  EXPECT_EQ(files->wadEntries.size(), 4u);

  EXPECT_EQ(read(u"same"), "wad");  // plain records; the first mounted WAD wins
  EXPECT_EQ(read(u"Same"), "X");
  EXPECT_EQ(read(u"bee"), "B");
  EXPECT_FALSE(files->exists(u"diskonly"));
  EXPECT_FALSE(files->exists(u"SAME"));
  EXPECT_FATAL(files->verifyFile(u"diskonly"), "File 'diskonly' does not exist.");
  EXPECT_FATAL(read(u"diskonly"), "WAD entry diskonly not found.");

  files->bForceDisk = true;
  EXPECT_EQ(read(u"same"), "disk");
  EXPECT_TRUE(files->exists(u"sub\\f.txt"));
  EXPECT_EQ(read(u"sub\\f.txt"), "slashes");
  EXPECT_FATAL(files->verifyFile(u"missing"), "File missing verification failed (errno 2:");
  EXPECT_FATAL(read(u"sub\\missing"), "Failed to open file 'sub/missing' (errno 2:");

  // An absolute path is the system's: there a backslash belongs to a folder's name.
  const fs::path dir = fs::current_path();
  fs::create_directory(dir / "a\\b");
  writeFile("a\\b/g.txt", "named");
  const std::u16string inFolder = fromUtf8((dir / "a\\b" / "g.txt").string());
  EXPECT_TRUE(files->exists(inFolder));
  EXPECT_EQ(read(inFolder), "named");
}

TEST_F(FileManagerTest, Hq2xOverridesDiskFilesAndWadNames) {
  zib->hq2x = 2;
  writeFile("pic", "plain");
  writeFile("override.hq2x/pic", "sharp");
  writeFile("data.dat.hq2x", rawWad({{"x", 100, 1, 1}}, std::string(100 - 8 - 92, '\0') + "2"));
  files->bUseWad = false;
  EXPECT_EQ(read(u"pic"), "sharp");
  files->bUseWad = true;
  files->useWad(u"data.dat");
  EXPECT_EQ(files->currentWad, u"data.dat.hq2x");
  EXPECT_EQ(read(u"x"), "2");
}

TEST_F(FileManagerTest, FileDataDefersAndCountsResidentBytes) {
  writeFile("f", "12345");
  files->bUseWad = false;
  const int64_t before = residentFileDataBytes;
  {
    FileData data(true, u"f");
    EXPECT_EQ(data.block.size, 0u);
    data.load();
    data.load();
    EXPECT_EQ(residentFileDataBytes, before + 5);
    data.unload();
    EXPECT_EQ(residentFileDataBytes, before);
    FileData now(false, u"f");
    EXPECT_EQ(residentFileDataBytes, before + 5);
  }
  EXPECT_EQ(residentFileDataBytes, before);
  EXPECT_FATAL(FileData(true, u"nothing"), "verification failed");
}

TEST_F(FileManagerTest, DamagedArchivesAreFatal) {
  const std::string data = "0123456789";
  const std::string z = zlibOf(data);
  const uint32_t at = 8 + 92;
  const struct {
    const char* label;
    std::string bytes;
    const char* needle;
  } cases[] = {
      {"short", "\x02\x00\x00", "is shorter than its header"},
      {"version", rawWad({}, "", 3), "wadVersion == WAD_VERSION"},
      {"count", le32(2) + le32(0xFFFFFFFFu) + std::string(92, 'a'), "a directory of 4294967295 entries does not fit"},
      {"past end", rawWad({{"e", at, 11, 11}}, data), "entry e lies past the end of the file"},
      {"wrapping offset", rawWad({{"e", 0xFFFFFFF0u, 32, 32}}, data), "entry e lies past the end of the file"},
      {"implausible", rawWad({{"e", at, 0xFFFFFFF0u, 10}}, data), "entry e has an implausible size of 4294967280"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::u16string name = fromUtf8("bad" + std::to_string(n++) + ".dat");
    writeFile(toUtf8(name), c.bytes);
    EXPECT_FATAL(files->useWad(name), c.needle);
    EXPECT_TRUE(files->wadEntries.empty()) << c.label;
  }

  // Entries that mount but cannot be read back.
  const uint32_t zs = static_cast<uint32_t>(z.size());
  writeFile("inflate.dat", rawWad({{"garbage", 5 * 92 + 8, 10, 9},
                                   {"longer", 5 * 92 + 8, 20, zs},
                                   {"shorter", 5 * 92 + 8, 5, zs},
                                   {"raw", 5 * 92 + 8, zs, zs},
                                   {"zeros", 5 * 92 + 8, 0, 1}},
                                  z));
  files->useWad(u"inflate.dat");
  EXPECT_FATAL(read(u"garbage"), "uncompress(uncompressedData, &uncompressedSize, compressedData, compressedSize) == Z_OK");
  EXPECT_FATAL(read(u"longer"), "correctUncompressedSize == uncompressedSize");
  EXPECT_FATAL(read(u"shorter"), "== Z_OK");
  EXPECT_FATAL(read(u"zeros"), "== Z_OK");
  fs::resize_file("inflate.dat", 5 * 92 + 8 + 2);  // cut after mounting
  EXPECT_FATAL(read(u"raw"), "Read 2 of");
  EXPECT_FATAL(read(u"longer"), "WAD entry longer: read 2 of");
}

TEST_F(FileManagerTest, WadpackPacksListsAndCats) {
  writeFile("in/readme.txt", "Skerrion 2 data archive.");
  writeFile("in/gfx/big.txt", std::string(4000, 'z'));
  const std::string tool = ZIB_BIN_DIR "/wadpack";
  const auto run = [](const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[256];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) output.append(buffer, n);
    return std::make_pair(pclose(pipe), output);
  };
  ASSERT_EQ(run(tool + " pack out/t.dat in --compress").first, 0);
  const auto [listStatus, listing] = run(tool + " list out/t.dat");
  EXPECT_EQ(listStatus, 0);
  EXPECT_THAT(listing, testing::MatchesRegex("gfx/big.txt\t4000\t[0-9]+\t192\nreadme.txt\t24\t24\t[0-9]+\n"));
  EXPECT_EQ(run(tool + " cat out/t.dat readme.txt"), std::make_pair(0, std::string("Skerrion 2 data archive.")));

  fs::resize_file("out/t.dat", 100);
  const auto [damagedStatus, report] = run(tool + " list out/t.dat");
  EXPECT_EQ(WEXITSTATUS(damagedStatus), 1);
  EXPECT_NE(report.find("does not fit in 100 bytes"), std::string::npos) << report;
}
