#include "engine/CrashDump.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <ucontext.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "engine/AppPaths.h"
#include "engine/Logger.h"
#include "engine/Zib.h"
#include "platform/Files.h"
#include "platform/posix/PosixCrashFilter.h"
#include "support/EngineFixture.h"

namespace {

// Reads the little-endian records of a minidump file.
struct Dump {
  std::string bytes;

  template <class T>
  T at(uint64_t offset) const {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
  }
  uint32_t u32(uint64_t offset) const { return at<uint32_t>(offset); }
  uint64_t u64(uint64_t offset) const { return at<uint64_t>(offset); }
  std::u16string string(uint32_t rva) const {
    std::u16string text(u32(rva) / 2, u'\0');
    if (rva + 4 + text.size() * 2 <= bytes.size()) std::memcpy(text.data(), bytes.data() + rva + 4, text.size() * 2);
    return text;
  }
  // Stream type -> (size, rva).
  std::map<uint32_t, std::pair<uint32_t, uint32_t>> streams() const {
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> found;
    for (uint32_t i = 0; i < u32(8); ++i) {
      const uint32_t entry = u32(12) + i * 12;
      found[u32(entry)] = {u32(entry + 4), u32(entry + 8)};
    }
    return found;
  }
};

Dump writeDump(const std::filesystem::path& path, int signalNumber, int signalCode, void* address,
               const ucontext_t& context) {
  siginfo_t info{};
  info.si_signo = signalNumber;
  info.si_code = signalCode;
  info.si_addr = address;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(fd, 0);
  EXPECT_TRUE(writeMiniDump(fd, signalNumber, info, context));
  close(fd);
  return {EngineTest::readFile(path)};
}

constexpr uint32_t kRipOffset = 0xF8, kRspOffset = 0x98;

TEST(CrashDumpTest, MinidumpHoldsSystemExceptionThreadAndModulesAndEachSignalsCode) {
  TempDataHome folder;
  ucontext_t context;
  getcontext(&context);
  const Dump dump = writeDump(folder.path() / "test.mdmp", SIGSEGV, SEGV_MAPERR, reinterpret_cast<void*>(0x1234), context);

  ASSERT_EQ(dump.bytes.substr(0, 4), "MDMP");
  EXPECT_EQ(dump.u32(4) & 0xFFFF, 0xA793u);
  const auto streams = dump.streams();
  ASSERT_EQ(streams.size(), 4u);
  for (uint32_t type : {3u, 4u, 6u, 7u}) {
    ASSERT_TRUE(streams.count(type)) << type;
    EXPECT_LE(uint64_t(streams.at(type).second) + streams.at(type).first, dump.bytes.size()) << type;
  }

  const uint32_t system = streams.at(7).second;
  utsname kernel;
  uname(&kernel);
  EXPECT_EQ(dump.at<uint16_t>(system), 9);  // AMD64
  EXPECT_GE(dump.at<uint8_t>(system + 6), 1);
  EXPECT_EQ(dump.u32(system + 20), 0x8201u);
  EXPECT_EQ(toUtf8(dump.string(dump.u32(system + 24))), kernel.release);

  const uint32_t exception = streams.at(6).second;
  const auto threadId = static_cast<uint32_t>(syscall(SYS_gettid));
  EXPECT_EQ(dump.u32(exception), threadId);
  EXPECT_EQ(dump.u32(exception + 8), 0xC0000005u);
  EXPECT_EQ(dump.u64(exception + 24), 0x1234u);
  const uint32_t contextRva = dump.u32(exception + 164);
  EXPECT_EQ(dump.u32(exception + 160), 1232u);
  EXPECT_EQ(dump.u64(contextRva + kRipOffset), uint64_t(context.uc_mcontext.gregs[REG_RIP]));
  const uint64_t rsp = dump.u64(contextRva + kRspOffset);
  EXPECT_EQ(rsp, uint64_t(context.uc_mcontext.gregs[REG_RSP]));

  const uint32_t threads = streams.at(3).second;
  ASSERT_EQ(dump.u32(threads), 1u);
  EXPECT_EQ(dump.u32(threads + 4), threadId);
  const uint64_t stackStart = dump.u64(threads + 4 + 24);
  const uint32_t stackSize = dump.u32(threads + 4 + 32), stackRva = dump.u32(threads + 4 + 36);
  EXPECT_EQ(dump.u32(threads + 4 + 44), contextRva);
  EXPECT_LE(stackStart, rsp);
  EXPECT_GT(stackStart + stackSize, rsp);
  EXPECT_LE(stackSize, 64u * 1024);
  EXPECT_LE(uint64_t(stackRva) + stackSize, dump.bytes.size());

  // The test program is a module, and it holds the writer's code.
  const uint32_t modules = streams.at(4).second;
  const uint32_t moduleCount = dump.u32(modules);
  ASSERT_GT(moduleCount, 0u);
  EXPECT_EQ(streams.at(4).first, 4 + moduleCount * 108);
  const auto code = reinterpret_cast<uint64_t>(&writeMiniDump);
  bool bFoundProgram = false;
  for (uint32_t i = 0; i < moduleCount; ++i) {
    const uint32_t module = modules + 4 + i * 108;
    const std::string name = toUtf8(dump.string(dump.u32(module + 20)));
    ASSERT_EQ(name.front(), '/') << i;
    const uint64_t base = dump.u64(module), size = dump.u32(module + 8);
    if (name.ends_with("/zibtests")) bFoundProgram = base <= code && code < base + size;
  }
  EXPECT_TRUE(bFoundProgram);

  for (const auto& [signalNumber, signalCode, windowsCode] :
       {std::tuple{SIGBUS, int{BUS_ADRERR}, 0xC0000006u}, {SIGFPE, FPE_INTDIV, 0xC0000094u}, {SIGFPE, FPE_FLTINV, 0xC0000090u},
        {SIGABRT, SI_TKILL, 0x40000015u}}) {
    const Dump other = writeDump(folder.path() / "test.mdmp", signalNumber, signalCode, nullptr, context);
    const uint32_t at = other.streams()[6].second;
    EXPECT_EQ(other.u32(at + 8), windowsCode) << signalNumber;
    if (signalCode == SI_TKILL) {  // a sent signal is placed at the instruction
      EXPECT_EQ(other.u64(at + 24), uint64_t(context.uc_mcontext.gregs[REG_RIP]));
    }
  }
}

TEST(CrashDumpTest, ACrashLeavesTheDumpAndStillEndsTheProcess) {
  TempDataHome dataHome;
  ASSERT_EQ(signalEndingChild([] {
              new Zib();
              zib->pLogger = new Logger();
              installCrashFilter();
              volatile uintptr_t bad = 16;
              *reinterpret_cast<volatile int*>(bad) = 1;
            }),
            SIGSEGV);

  const Dump dump{EngineTest::readFile(toUtf8(crashMiniDumpPath()))};
  ASSERT_EQ(dump.bytes.substr(0, 4), "MDMP");
  const uint32_t exception = dump.streams()[6].second;
  EXPECT_EQ(dump.u32(exception + 8), 0xC0000005u);
  EXPECT_EQ(dump.u64(exception + 24), 16u);
}

// What another user (or the user's own mistake) leaves where the program
// writes its files: nothing is written through it, nothing waits on it, and
// what it leads to keeps its bytes.
TEST(CrashDumpTest, NoFileIsWrittenThroughWhatSitsInItsPlace) {
  namespace fs = std::filesystem;
  TempDataHome dataHome;
  const fs::path folder = toUtf8(getUserDataFolder()), victim = dataHome.path() / "victim";
  const std::string saved = "saved";
  const std::string names[] = {"game.pro.tmp", toUtf8(getLogFilePath()), toUtf8(crashMiniDumpPath()),
                               toUtf8(crashLogPath())};
  for (const char* kind : {"hard link", "symbolic link", "FIFO", "folder", "device"}) {
    SCOPED_TRACE(kind);
    EngineTest::writeFile(victim, "victim");
    for (const fs::path place : names) {
      const fs::path path = folder / place;
      if (kind == std::string("hard link")) fs::create_hard_link(victim, path);
      if (kind == std::string("symbolic link")) fs::create_symlink(victim, path);
      if (kind == std::string("FIFO")) ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
      if (kind == std::string("folder")) fs::create_directory(path);
      if (kind == std::string("device")) ASSERT_EQ(mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    std::u16string failed;
    const int error = replaceFile(getUserDataFolder() + u"game.pro", saved.data(), saved.size(), failed);
    EXPECT_EQ(signalEndingChild([] {
                new Zib();
                zib->pLogger = new Logger();
                installCrashFilter();
                raise(SIGSEGV);
              }),
              SIGSEGV);
    EXPECT_TRUE(EngineTest::readFile(victim) == "victim") << "the file a link led to was written";
    // A link's or a FIFO's name is taken over; a folder or a device stays, and nothing is written.
    const fs::file_type kept = kind == std::string("device")   ? fs::file_type::character
                               : kind == std::string("folder") ? fs::file_type::directory
                                                               : fs::file_type::none;
    EXPECT_EQ(error, kept == fs::file_type::none ? 0 : kept == fs::file_type::character ? EINVAL : EISDIR);
    EXPECT_EQ(EngineTest::readFile(folder / "game.pro"), kept == fs::file_type::none ? saved : "");
    for (const fs::path place : names)
      EXPECT_EQ(fs::symlink_status(folder / place).type(),
                kept != fs::file_type::none ? kept : place == names[0] ? fs::file_type::not_found : fs::file_type::regular)
          << place;
    if (kept == fs::file_type::none) EXPECT_EQ(EngineTest::readFile(folder / names[3]), EngineTest::readFile(folder / names[1]));
    for (const fs::path place : names) fs::remove_all(folder / place);
    fs::remove(folder / "game.pro");
  }
}

}  // namespace
