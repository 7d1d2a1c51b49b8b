#include "engine/SaveContainer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/FixedString.h"
#include "engine/Md5.h"
#include "base/StringUtils.h"
#include "support/EngineFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Half text-like, half noise, so that the stream is neither trivial nor incompressible.
Bytes makeRecord(size_t size) {
  Bytes record(size);
  uint32_t x = 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 214013 + 2531011;
    record[i] = i % 2 ? static_cast<uint8_t>(x >> 16) : static_cast<uint8_t>('a' + i % 7);
  }
  return record;
}

uint32_t load32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// Recomputes the digest, so that the checks behind it are reached.
Bytes reseal(Bytes container, uint32_t salt) {
  md5DigestSalted(container.data() + 0x30, salt, container.data() + 0x40, container.size() - 0x40);
  return container;
}

bool unpacks(const Bytes& container, uint32_t salt, uint32_t expected) {
  SaveContainer unpacked;
  const bool ok = unpacked.unpack(container.data(), container.size(), salt, expected);
  EXPECT_EQ(ok, unpacked.length != 0);
  return ok;
}

class SaveContainerTest : public EngineTest {
 protected:
  std::u16string folder() const { return fromUtf8(userDataFolder().string()); }
  std::filesystem::path file(const char* name) const { return userDataFolder() / name; }
  void save(const Bytes& record, const std::u16string& name = u"game.pro", const std::u16string& version = u"2.79") {
    saveChecksummedFile(record.data(), static_cast<uint32_t>(record.size()), folder(), name, version);
  }
  bool load(Bytes& record, const std::u16string& name = u"game.pro", const std::u16string& version = u"2.79") {
    return loadChecksummedFile(record.data(), static_cast<uint32_t>(record.size()), folder(), name, version);
  }
  // A record of `size` bytes loaded back from "game.pro"; empty when the load fails.
  Bytes loaded(size_t size) {
    Bytes record(size);
    return load(record) ? record : Bytes{};
  }
  static Bytes bytesOf(const std::filesystem::path& path) {
    const std::string text = readFile(path);
    return Bytes(text.begin(), text.end());
  }
  static void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
};

TEST_F(SaveContainerTest, SavedFileHasTheContainerLayoutAndLoadsOnlyUnderTheSameNameAndVersion) {
  const Bytes record = makeRecord(94248);
  save(record);
  const Bytes saved = bytesOf(file("game.pro"));
  ASSERT_GT(saved.size(), 68u);

  // Text fields are zero-filled behind the NUL.
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 0x30),
            "Skerrion2demo" + std::string(19, '\0') + "2.79" + std::string(12, '\0'));
  EXPECT_EQ(load32(saved.data() + 0x40), 94248u);

  Bytes stream(compressBound(record.size()));
  uLongf streamLength = stream.size();
  ASSERT_EQ(compress(stream.data(), &streamLength, record.data(), record.size()), Z_OK);
  stream.resize(streamLength);
  EXPECT_EQ(Bytes(saved.begin() + 68, saved.end()), stream);

  uint8_t digest[16];
  md5DigestSalted(digest, hashName(u"game.pro2.79"), saved.data() + 0x40, saved.size() - 0x40);
  EXPECT_TRUE(md5Equal(digest, saved.data() + 0x30));
  EXPECT_FALSE(std::filesystem::exists(file("game.pro.tmp")));

  EXPECT_EQ(loaded(record.size()), record);
  const Bytes defaults(record.size(), 0x77);
  Bytes kept = defaults;
  EXPECT_FALSE(load(kept, u"game.pro", u"2.80"));
  std::filesystem::copy_file(file("game.pro"), file("other.pro"));
  EXPECT_FALSE(load(kept, u"other.pro"));
  EXPECT_FALSE(load(kept, u"missing.pro"));
  EXPECT_EQ(kept, defaults);
  for (const size_t size : {record.size() + 1, record.size() - 1}) {
    Bytes other(size, 0x77);
    EXPECT_FALSE(load(other));
    EXPECT_EQ(other, Bytes(size, 0x77));
  }
}

TEST_F(SaveContainerTest, EveryByteFromTheDigestOnIsProtected) {
  const Bytes record = makeRecord(300);
  save(record);
  const Bytes saved = bytesOf(file("game.pro"));
  for (size_t i = 0; i < saved.size(); ++i) {
    Bytes damaged = saved;
    damaged[i] ^= 0x01;
    writeBytes(file("game.pro"), damaged);
    Bytes loaded(record.size(), 0);
    EXPECT_EQ(load(loaded), i < 0x30) << "byte " << i;
    EXPECT_EQ(loaded, i < 0x30 ? record : Bytes(record.size(), 0));
  }
  for (size_t size : {size_t{0}, size_t{64}, size_t{67}, saved.size() - 1}) {
    writeBytes(file("game.pro"), Bytes(saved.begin(), saved.begin() + size));
    EXPECT_EQ(loaded(record.size()), Bytes{}) << "truncated to " << size;
  }
}

TEST_F(SaveContainerTest, UnpackRefusesDamageBehindAValidDigest) {
  const uint32_t salt = 0x12345678;
  const Bytes record = makeRecord(1000);
  SaveContainer packed;
  ASSERT_TRUE(packed.pack(record.data(), 1000, salt));
  const Bytes good(packed.data.get(), packed.data.get() + packed.length);
  EXPECT_TRUE(unpacks(good, salt, 1000));
  EXPECT_FALSE(unpacks(good, salt + 1, 1000));
  EXPECT_FALSE(unpacks(good, salt, 999));

  Bytes claimed = good;  // a stored length that disagrees with the stream
  claimed[0x40] = 0xE9;  // 1001
  EXPECT_FALSE(unpacks(reseal(claimed, salt), salt, 1001));
  claimed[0x40] = 0xE7;  // 999
  EXPECT_FALSE(unpacks(reseal(claimed, salt), salt, 999));
  std::memset(claimed.data() + 0x40, 0xFF, 4);  // 4 GiB is refused before it is allocated
  EXPECT_FALSE(unpacks(reseal(claimed, salt), salt, 1000));

  Bytes corrupt = good;
  corrupt[0x44 + 10] ^= 0xFF;
  EXPECT_FALSE(unpacks(reseal(corrupt, salt), salt, 1000));
  EXPECT_FALSE(unpacks(reseal(Bytes(good.begin(), good.end() - 5), salt), salt, 1000));
  EXPECT_FALSE(unpacks(reseal(Bytes(good.begin(), good.begin() + 67), salt), salt, 1000));  // the header alone
}

TEST_F(SaveContainerTest, EmptyRecordsAndFailedWrites) {
  SaveContainer container;
  EXPECT_FALSE(container.pack("x", 0, 1));
  save({});
  EXPECT_FALSE(std::filesystem::exists(file("game.pro")));
  Bytes none;
  EXPECT_TRUE(load(none));

  const Bytes first = makeRecord(500);
  save(first);
  const Bytes old = bytesOf(file("game.pro"));
  // A container whose read failed holds nothing and writes nothing over the save.
  EXPECT_FALSE(container.readFile(1, folder() + u"absent.pro", 500));
  EXPECT_TRUE(container.writeFile(folder() + u"game.pro").ok());
  EXPECT_EQ(bytesOf(file("game.pro")), old);
  std::filesystem::create_directory(file("game.pro.tmp"));
  save(makeRecord(600));
  EXPECT_EQ(bytesOf(file("game.pro")), old);
  EXPECT_NE(logText().find("Could not save " + file("game.pro.tmp").string() + ": Is a directory"), std::string::npos);
  // The caller learns of a failure.
  EXPECT_FALSE(saveChecksummedFile(first.data(), 500, folder() + u"missing", u"game.pro", u"2.79"));
  EXPECT_FALSE(std::filesystem::exists(userDataFolder() / "missing"));
  container.pack(first.data(), 500, 1);
  EXPECT_EQ(container.writeFile(folder() + u"missing/game.pro").error, ENOENT);
}

// As a write in place: a linked save stays a link and keeps its mode, a
// read-only one is kept. Nothing but a regular file is replaced: a link to a
// FIFO leaves the FIFO, and a link in the temporary file's place is not followed.
TEST_F(SaveContainerTest, ALinkedSaveStaysALinkAndOnlyARegularFileIsReplaced) {
  std::filesystem::create_directory(file("elsewhere"));
  std::filesystem::create_symlink(file("elsewhere") / "game.pro", file("game.pro"));
  const Bytes record = makeRecord(500);
  save(makeRecord(400));
  EXPECT_TRUE(std::filesystem::is_symlink(file("game.pro")));
  std::filesystem::permissions(file("game.pro"), std::filesystem::perms(0600));
  save(record);
  EXPECT_EQ(std::filesystem::status(file("game.pro")).permissions(), std::filesystem::perms(0600));
  writeFile(file("victim"), "kept");
  std::filesystem::create_symlink(file("victim"), file("elsewhere") / "game.pro.tmp");
  save(record);
  EXPECT_EQ(readFile(file("victim")), "kept");
  EXPECT_FALSE(std::filesystem::exists(file("elsewhere") / "game.pro.tmp"));
  std::filesystem::permissions(file("game.pro"), std::filesystem::perms::owner_read);  // chmod a-w
  save(makeRecord(600));
  EXPECT_EQ(loaded(500), record);

  ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink(file("fifo"), file("fifo.pro"));
  save(record, u"fifo.pro");
  EXPECT_TRUE(std::filesystem::is_fifo(file("fifo")));
  EXPECT_NE(logText().find("Could not save " + file("fifo.pro").string() + ": Invalid argument"), std::string::npos);

  // Another user's link in the save's place is not followed.
  std::filesystem::create_symlink(file("victim"), file("planted.pro"));
  ASSERT_EQ(lchown(file("planted.pro").c_str(), 4242, 4242), 0);
  save(record, u"planted.pro");
  EXPECT_EQ(readFile(file("victim")), "kept");
}

// Another copy of the program saving the same file holds its temporary file
// locked: this save gives way, touching neither that file nor the save.
TEST_F(SaveContainerTest, ASaveInProgressElsewhereIsLeftAlone) {
  const Bytes record = makeRecord(500);
  save(record);
  const int other = open(file("game.pro.tmp").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(other, 0);
  ASSERT_EQ(write(other, "partial", 7), 7);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  save(makeRecord(600));
  EXPECT_EQ(readFile(file("game.pro.tmp")), "partial");
  EXPECT_EQ(loaded(500), record);

  // Once that writer is gone its leftover is taken over.
  close(other);
  save(makeRecord(600));
  EXPECT_FALSE(std::filesystem::exists(file("game.pro.tmp")));
  EXPECT_EQ(loaded(600), makeRecord(600));
}

TEST_F(SaveContainerTest, FixedStringsCutWholeUnitsAndKeepTheTail) {
  char field32[32];
  memset(field32, 'x', sizeof field32);
  assignFixedString32(field32, u"Skerrion2demo");
  EXPECT_STREQ(field32, "Skerrion2demo");
  EXPECT_EQ(field32[14], 'x');

  assignFixedString32(field32, std::u16string(20, u'\u00e9'));  // 40 bytes of UTF-8
  EXPECT_EQ(std::string(field32), toUtf8(std::u16string(15, u'\u00e9')));

  char field16[16];
  memset(field16, 'x', sizeof field16);
  assignFixedString16(field16, u"0123456789abcdefgh");
  EXPECT_STREQ(field16, "0123456789abcde");
  assignFixedString16(field16, u"2.79");
  EXPECT_STREQ(field16, "2.79");
  EXPECT_EQ(field16[5], '5');
}

}  // namespace
