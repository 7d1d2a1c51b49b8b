#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/FileStream.h"
#include "engine/MemoryFile.h"
#include "base/StringUtils.h"
#include "support/EngineFixture.h"

namespace fs = std::filesystem;

namespace {

class StreamsTest : public ::testing::Test {
 protected:
  std::u16string path(const char* name) const { return fromUtf8((dir / name).string()); }

  TempDataHome temp;
  const fs::path& dir = temp.path();
};

}  // namespace

TEST(MemoryFileTest, ReadsStopAtTheEnd) {
  MemoryFile file(10);
  for (uint8_t i = 0; i < 10; ++i) file.buffer[i] = i;
  uint8_t out[16] = {};
  EXPECT_EQ(file.read(out, 4), 4);
  EXPECT_EQ(file.read(out, 4), 4);
  EXPECT_EQ(file.read(out, 4), 2);
  EXPECT_EQ(out[1], 9);
  EXPECT_EQ(file.read(out, 4), 0);

  // A position past the end reads nothing, however far.
  file.seek(0xFFFFFFFFu);
  EXPECT_EQ(file.read(out, 16), 0);
  file.seek(3);
  EXPECT_EQ(file.read(out, 16), 7);
  EXPECT_EQ(out[0], 3);
}

TEST_F(StreamsTest, MissingFilesFoldersAndFilesOf4GiBGiveAClosedStream) {
  FileStream stream(path("missing.bin"), FileStream::kRead);
  EXPECT_FALSE(stream.isOpen);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(stream.size, 0u);
  char byte;
  EXPECT_EQ(stream.read(&byte, 1), -1);
  EXPECT_FALSE(stream.write("x", 1));
  EXPECT_FALSE(stream.writeLine(u"x"));
  EXPECT_FALSE(FileStream(path("no/folder.bin"), FileStream::kWrite).isOpen);
  EXPECT_FALSE(FileStream(fromUtf8(dir.string()), FileStream::kRead).isOpen);
  EXPECT_EQ(errno, EISDIR);

  // Sparse files, so no disk space is used.
  std::ofstream(dir / "big.bin").close();
  ASSERT_EQ(truncate((dir / "big.bin").c_str(), 0xFFFFFFFFll), 0);
  FileStream largest(path("big.bin"), FileStream::kRead);
  EXPECT_TRUE(largest.isOpen);
  EXPECT_EQ(largest.size, 0xFFFFFFFFu);

  ASSERT_EQ(truncate((dir / "big.bin").c_str(), 0x100000000ll), 0);
  FileStream tooLarge(path("big.bin"), FileStream::kRead);
  EXPECT_FALSE(tooLarge.isOpen);
  EXPECT_EQ(errno, EFBIG);
  EXPECT_EQ(tooLarge.size, 0u);
}

TEST_F(StreamsTest, WrittenLinesReadBackWithTheirLength) {
  {
    FileStream out(path("data.bin"), FileStream::kWrite);
    ASSERT_TRUE(out.isOpen);
    EXPECT_TRUE(out.write("\xEF\xBB\xBF", 3));
    EXPECT_TRUE(out.writeLine(u"gr\u00fc\u00dfe"));
    EXPECT_TRUE(out.writeLine(u""));
  }
  FileStream in(path("data.bin"), FileStream::kRead);
  ASSERT_TRUE(in.isOpen);
  const std::string expected = "\xEF\xBB\xBFgr\xC3\xBC\xC3\x9F" "e\r\n\r\n";
  ASSERT_EQ(in.size, expected.size());
  char text[32];
  EXPECT_EQ(in.read(text, sizeof text), int32_t(expected.size()));
  EXPECT_EQ(std::string(text, expected.size()), expected);
  EXPECT_TRUE(in.close());
  EXPECT_EQ(in.read(text, 1), -1);
}

// A FIFO in a file's place (a configuration, a save, a screenshot) would block
// the open until someone writes to it or reads from it: never opened.
TEST_F(StreamsTest, AFifoInAFilesPlaceIsNeverOpened) {
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_FALSE(FileStream(path("fifo"), FileStream::kRead).isOpen);
  EXPECT_EQ(fs::status(dir / "fifo").type(), fs::file_type::fifo);

  // A file written there is a new one in its place; a reader at the other end gets nothing.
  const int reader = open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(FileStream(path("fifo"), FileStream::kWrite).write("x", 1));
  EXPECT_EQ(fs::symlink_status(dir / "fifo").type(), fs::file_type::regular);
  char got;
  EXPECT_EQ(read(reader, &got, 1), 0);
  close(reader);
  // A device: refused, and its node stays.
  ASSERT_EQ(mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  EXPECT_FALSE(FileStream(path("null"), FileStream::kWrite).isOpen);
  EXPECT_EQ(fs::symlink_status(dir / "null").type(), fs::file_type::character);
}
