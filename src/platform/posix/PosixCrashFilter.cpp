// POSIX body of the crash filter: signal handlers on a stack of their own and
// a minidump writer that uses only async-signal-safe calls.
#include "platform/posix/PosixCrashFilter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>

#include "base/StringUtils.h"
#include "platform/CrashFilter.h"
#include "platform/posix/PosixNewFile.h"

namespace {

// The minidump container, as the debuggers read it.
#pragma pack(push, 4)
struct MinidumpHeader {
  uint32_t signature, version, numberOfStreams, streamDirectoryRva, checkSum, timeDateStamp;
  uint64_t flags;
};
struct LocationDescriptor {
  uint32_t dataSize, rva;
};
struct DirectoryEntry {
  uint32_t streamType;
  LocationDescriptor location;
};
struct MinidumpSystemInfo {
  uint16_t processorArchitecture, processorLevel, processorRevision;
  uint8_t numberOfProcessors, productType;
  uint32_t majorVersion, minorVersion, buildNumber, platformId, csdVersionRva;
  uint16_t suiteMask, reserved2;
  uint32_t cpu[6];
};
struct MinidumpException {
  uint32_t exceptionCode, exceptionFlags;
  uint64_t exceptionRecord, exceptionAddress;
  uint32_t numberParameters, unusedAlignment;
  uint64_t exceptionInformation[15];
};
struct MinidumpExceptionStream {
  uint32_t threadId, alignment;
  MinidumpException record;
  LocationDescriptor threadContext;
};
struct MemoryDescriptor {
  uint64_t startOfMemoryRange;
  LocationDescriptor memory;
};
struct MinidumpThread {
  uint32_t threadId, suspendCount, priorityClass, priority;
  uint64_t teb;
  MemoryDescriptor stack;
  LocationDescriptor threadContext;
};
struct MinidumpModule {
  uint64_t baseOfImage;
  uint32_t sizeOfImage, checkSum, timeDateStamp, moduleNameRva;
  uint32_t versionInfo[13];
  LocationDescriptor cvRecord, miscRecord;
  uint64_t reserved0, reserved1;
};
#pragma pack(pop)

// The x86-64 thread context record.
struct alignas(16) ContextAmd64 {
  uint64_t pHome[6];
  uint32_t contextFlags, mxCsr;
  uint16_t segCs, segDs, segEs, segFs, segGs, segSs;
  uint32_t eFlags;
  uint64_t dr0, dr1, dr2, dr3, dr6, dr7;
  uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi, r8, r9, r10, r11, r12, r13, r14, r15;
  uint64_t rip;
  uint8_t fltSave[512];
  uint8_t vectorRegister[26 * 16];
  uint64_t vectorControl, debugControl, lastBranchToRip, lastBranchFromRip, lastExceptionToRip, lastExceptionFromRip;
};

static_assert(sizeof(MinidumpHeader) == 32 && sizeof(DirectoryEntry) == 12);
static_assert(sizeof(MinidumpSystemInfo) == 56 && sizeof(MinidumpExceptionStream) == 168);
static_assert(sizeof(MinidumpThread) == 48 && sizeof(MinidumpModule) == 108);
static_assert(sizeof(ContextAmd64) == 1232 && offsetof(ContextAmd64, rip) == 0xF8 &&
              offsetof(ContextAmd64, fltSave) == 0x100);

constexpr uint32_t kThreadListStream = 3, kModuleListStream = 4, kExceptionStream = 6, kSystemInfoStream = 7;
constexpr uint32_t kStreamCount = 4;
constexpr uint64_t kRedZone = 128, kMaxStackBytes = 64 * 1024;
constexpr size_t kPathSize = 4096, kMaxModules = 1024;
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Everything the handler needs is made ready, or is static, before any crash.
char dumpPath[kPathSize], logPath[kPathSize], crashLogCopyPath[kPathSize];
alignas(16) char signalStack[64 * 1024];
struct sigaction previousActions[std::size(kSignals)];
bool bInstalled = false;
std::atomic<bool> bHandling{false};
std::atomic<bool> bLogOpen{false};
std::atomic<void (*)()> faultHook{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<void (*)()>::is_always_lock_free,
              "read from a signal handler");
const long processorCount = sysconf(_SC_NPROCESSORS_ONLN);

char mapsText[512 * 1024];
struct Module {
  uint64_t base, end;
  const char* path;
  uint32_t pathLength, nameUnits;
};
Module modules[kMaxModules];
char16_t nameBuffer[kPathSize];
ContextAmd64 threadContext;
char copyBuffer[16 * 1024];

// Sequential writes that keep the file offset; the first failure sticks.
struct DumpFile {
  int fd;
  uint32_t offset = 0;
  bool bOk = true;

  // The raw system call: it reads memory the sanitizers would call out of
  // bounds (the stack copy) and reports unreadable memory instead of faulting.
  void write(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (bOk && size > 0) {
      const auto written = static_cast<ssize_t>(syscall(SYS_write, fd, bytes, size));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        bOk = false;
        return;
      }
      bytes += written;
      size -= static_cast<size_t>(written);
      offset += static_cast<uint32_t>(written);
    }
  }
  // Zeros up to `rva`, where the next record was placed.
  void padTo(uint32_t rva) {
    static const char zeros[16] = {};
    while (bOk && offset < rva) write(zeros, std::min<size_t>(sizeof(zeros), rva - offset));
    if (offset != rva) bOk = false;
  }
  // A length-prefixed UTF-16 string with its terminator.
  void writeString(const char16_t* units, uint32_t count) {
    const uint32_t bytes = count * 2;
    static const char16_t terminator = 0;
    write(&bytes, sizeof(bytes));
    write(units, bytes);
    write(&terminator, sizeof(terminator));
  }
};

constexpr uint32_t alignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }
constexpr uint32_t stringSize(uint32_t units) { return 4 + units * 2 + 2; }

// Decodes UTF-8 into `out` when given, a U+FFFD for each bad byte; returns the number of units.
uint32_t utf8ToUtf16(const char* text, size_t length, char16_t* out) {
  uint32_t units = 0;
  for (size_t i = 0; i < length;) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 4;
    uint32_t codePoint = extra == 0 ? lead : lead & (0x3F >> extra);
    size_t used = 1;
    while (extra < 4 && used <= extra && i + used < length && (text[i + used] & 0xC0) == 0x80)
      codePoint = (codePoint << 6) | (text[i + used++] & 0x3F);
    if (extra == 4 || used <= extra || codePoint > 0x10FFFF) codePoint = 0xFFFD, used = 1;
    i += used;
    if (codePoint > 0xFFFF) {
      if (out) out[units] = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
      if (out) out[units + 1] = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
      units += 2;
    } else {
      if (out) out[units] = static_cast<char16_t>(codePoint);
      ++units;
    }
  }
  return units;
}

uint32_t exceptionCodeOf(int signalNumber, int signalCode) {
  switch (signalNumber) {
    case SIGSEGV: return 0xC0000005;  // EXCEPTION_ACCESS_VIOLATION
    case SIGBUS: return 0xC0000006;   // EXCEPTION_IN_PAGE_ERROR
    case SIGILL: return 0xC000001D;   // EXCEPTION_ILLEGAL_INSTRUCTION
    case SIGFPE:
      if (signalCode == FPE_INTDIV) return 0xC0000094;  // EXCEPTION_INT_DIVIDE_BY_ZERO
      if (signalCode == FPE_INTOVF) return 0xC0000095;  // EXCEPTION_INT_OVERFLOW
      return 0xC0000090;                                // EXCEPTION_FLT_INVALID_OPERATION
    default: return 0x40000015;       // STATUS_FATAL_APP_EXIT, as abort() ends
  }
}

void fillContext(ContextAmd64& out, const ucontext_t& context) {
  std::memset(&out, 0, sizeof(out));
#if defined(__x86_64__)
  const greg_t* r = context.uc_mcontext.gregs;
  out.contextFlags = 0x0010000F;  // CONTEXT_AMD64 with control, integer, segment and floating-point registers
  out.rax = r[REG_RAX], out.rcx = r[REG_RCX], out.rdx = r[REG_RDX], out.rbx = r[REG_RBX];
  out.rsp = r[REG_RSP], out.rbp = r[REG_RBP], out.rsi = r[REG_RSI], out.rdi = r[REG_RDI];
  out.r8 = r[REG_R8], out.r9 = r[REG_R9], out.r10 = r[REG_R10], out.r11 = r[REG_R11];
  out.r12 = r[REG_R12], out.r13 = r[REG_R13], out.r14 = r[REG_R14], out.r15 = r[REG_R15];
  out.rip = r[REG_RIP];
  out.eFlags = static_cast<uint32_t>(r[REG_EFL]);
  const auto segments = static_cast<uint64_t>(r[REG_CSGSFS]);  // cs, gs, fs, ss in 16-bit steps
  out.segCs = static_cast<uint16_t>(segments), out.segGs = static_cast<uint16_t>(segments >> 16);
  out.segFs = static_cast<uint16_t>(segments >> 32), out.segSs = static_cast<uint16_t>(segments >> 48);
  if (const auto* fpu = context.uc_mcontext.fpregs) {
    static_assert(sizeof(*fpu) == sizeof(out.fltSave));
    std::memcpy(out.fltSave, fpu, sizeof(out.fltSave));
    out.mxCsr = fpu->mxcsr;
  }
#else
  (void)context;
#endif
}

uint64_t parseHex(const char*& p, const char* end) {
  uint64_t value = 0;
  for (; p < end; ++p) {
    const char c = *p;
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) break;
    value = value * 16 + static_cast<uint64_t>(digit);
  }
  return value;
}

size_t readMaps() {
  const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t size = 0;
  ssize_t got;
  while (size < sizeof(mapsText) && (got = read(fd, mapsText + size, sizeof(mapsText) - size)) > 0)
    size += static_cast<size_t>(got);
  close(fd);
  while (size > 0 && mapsText[size - 1] != '\n') --size;  // whole lines only
  return size;
}

// The file mappings of /proc/self/maps merged into modules; also the readable
// mapping that holds `stackPointer`.
size_t collectModules(uint64_t stackPointer, uint64_t& stackMapStart, uint64_t& stackMapEnd) {
  const size_t size = readMaps();
  size_t count = 0;
  stackMapStart = stackMapEnd = 0;
  for (const char* line = mapsText; line < mapsText + size;) {
    const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(mapsText + size - line)));
    // "start-end perms offset dev inode   path"
    const char* p = line;
    const uint64_t start = parseHex(p, lineEnd);
    if (p < lineEnd && *p == '-') ++p;
    const uint64_t end = parseHex(p, lineEnd);
    const bool bReadable = p + 1 < lineEnd && p[1] == 'r';
    for (int field = 0; field < 4; ++field) {
      while (p < lineEnd && *p == ' ') ++p;
      while (p < lineEnd && *p != ' ') ++p;
    }
    while (p < lineEnd && *p == ' ') ++p;
    const auto pathLength = static_cast<uint32_t>(std::min<size_t>(static_cast<size_t>(lineEnd - p), kPathSize - 1));
    if (bReadable && stackPointer >= start && stackPointer < end) stackMapStart = start, stackMapEnd = end;
    if (pathLength > 0 && *p == '/') {
      Module* last = count > 0 ? &modules[count - 1] : nullptr;
      if (last && last->pathLength == pathLength && std::memcmp(last->path, p, pathLength) == 0)
        last->end = end;
      else if (count < kMaxModules)
        modules[count++] = {start, end, p, pathLength, utf8ToUtf16(p, pathLength, nullptr)};
    }
    line = lineEnd + 1;
  }
  return count;
}

void copyLogToCrashLog() {
  // Whatever took the log's place is not waited on: only a regular file is read.
  const int in = open(logPath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return;
  struct stat info;
  const int out = fstat(in, &info) == 0 && S_ISREG(info.st_mode) ? openNewFile(crashLogCopyPath, 0644) : -1;
  if (out >= 0) {
    DumpFile copy{out};
    ssize_t got;
    while (copy.bOk && (got = read(in, copyBuffer, sizeof(copyBuffer))) > 0) copy.write(copyBuffer, static_cast<size_t>(got));
    close(out);
  }
  close(in);
}

// The handler. Only async-signal-safe calls from here on: the heap, stdio and
// the logger may be what broke.
void writeCrashDump(int signalNumber, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  if (void (*hook)() = faultHook.load()) hook();
  if (bHandling.exchange(true)) {
    for (;;) pause();  // another thread is writing the dump and will end the process
  }
  const int fd = dumpPath[0] ? openNewFile(dumpPath, 0644) : -1;
  if (fd >= 0) {
    const bool bWritten = writeMiniDump(fd, signalNumber, *info, *static_cast<const ucontext_t*>(context));
    close(fd);
    // The log is flushed line by line: a copy of the file is the whole log.
    if (bWritten && bLogOpen) copyLogToCrashLog();
  }
  // The signal, pending until the handler returns, then ends the process as it would have.
  struct sigaction defaultAction = {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  sigaction(signalNumber, &defaultAction, nullptr);
  raise(signalNumber);
  errno = savedErrno;
}

void preparePath(char (&buffer)[kPathSize], const std::u16string& path) {
  const std::string bytes = toUtf8(path);
  buffer[0] = '\0';
  if (bytes.size() < kPathSize) std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
}

}  // namespace

bool writeMiniDump(int fd, int signalNumber, const siginfo_t& info, const ucontext_t& context) {
  fillContext(threadContext, context);
  uint64_t mapStart, mapEnd;
  const size_t moduleCount = collectModules(threadContext.rsp, mapStart, mapEnd);
  // The stack from just below the stack pointer (its red zone) upward, within its mapping.
  uint64_t stackStart = 0, stackSize = 0;
  if (mapEnd > mapStart) {
    stackStart = threadContext.rsp - std::min(threadContext.rsp - mapStart, kRedZone);
    stackSize = std::min(mapEnd - stackStart, kMaxStackBytes);
  }
  utsname kernel;
  if (uname(&kernel) != 0) kernel.release[0] = '\0';
  const uint32_t csdUnits = utf8ToUtf16(kernel.release, std::strlen(kernel.release), nameBuffer);

  const uint32_t directoryRva = sizeof(MinidumpHeader);
  const uint32_t systemInfoRva = directoryRva + kStreamCount * sizeof(DirectoryEntry);
  const uint32_t csdRva = systemInfoRva + sizeof(MinidumpSystemInfo);
  const uint32_t exceptionRva = alignUp(csdRva + stringSize(csdUnits), 8);
  const uint32_t threadListRva = exceptionRva + sizeof(MinidumpExceptionStream);
  const uint32_t threadListSize = 4 + sizeof(MinidumpThread);
  const uint32_t contextRva = alignUp(threadListRva + threadListSize, 16);
  const uint32_t stackRva = contextRva + sizeof(ContextAmd64);
  const uint32_t moduleListRva = alignUp(stackRva + static_cast<uint32_t>(stackSize), 8);
  const auto moduleListSize = static_cast<uint32_t>(4 + moduleCount * sizeof(MinidumpModule));

  DumpFile dump{fd};
  const MinidumpHeader header = {0x504D444D, 0xA793, kStreamCount, directoryRva, 0, static_cast<uint32_t>(time(nullptr)), 0};
  dump.write(&header, sizeof(header));
  const DirectoryEntry directory[kStreamCount] = {
      {kSystemInfoStream, {sizeof(MinidumpSystemInfo), systemInfoRva}},
      {kExceptionStream, {sizeof(MinidumpExceptionStream), exceptionRva}},
      {kThreadListStream, {threadListSize, threadListRva}},
      {kModuleListStream, {moduleListSize, moduleListRva}},
  };
  dump.write(directory, sizeof(directory));

  MinidumpSystemInfo systemInfo = {};
#if defined(__x86_64__)
  systemInfo.processorArchitecture = 9;  // AMD64
#else
  systemInfo.processorArchitecture = 0xFFFF;
#endif
  systemInfo.numberOfProcessors = static_cast<uint8_t>(std::clamp(processorCount, 1L, 255L));
  const char* version = kernel.release;
  uint32_t* const versionParts[] = {&systemInfo.majorVersion, &systemInfo.minorVersion, &systemInfo.buildNumber};
  for (uint32_t* part : versionParts) {
    for (; *version >= '0' && *version <= '9'; ++version) *part = *part * 10 + static_cast<uint32_t>(*version - '0');
    if (*version == '.') ++version;
  }
  systemInfo.platformId = 0x8201;  // Linux
  systemInfo.csdVersionRva = csdRva;
  dump.write(&systemInfo, sizeof(systemInfo));
  dump.writeString(nameBuffer, csdUnits);

  const uint32_t threadId = static_cast<uint32_t>(syscall(SYS_gettid));
  const LocationDescriptor contextLocation = {sizeof(ContextAmd64), contextRva};
  MinidumpExceptionStream exception = {};
  exception.threadId = threadId;
  exception.record.exceptionCode = exceptionCodeOf(signalNumber, info.si_code);
  // A signal sent by a process (si_code <= 0) has no fault address.
  exception.record.exceptionAddress = info.si_code > 0 ? reinterpret_cast<uintptr_t>(info.si_addr) : threadContext.rip;
  exception.threadContext = contextLocation;
  dump.padTo(exceptionRva);
  dump.write(&exception, sizeof(exception));

  const uint32_t threadCount = 1;
  MinidumpThread thread = {};
  thread.threadId = threadId;
  thread.stack = {stackStart, {static_cast<uint32_t>(stackSize), stackRva}};
  thread.threadContext = contextLocation;
  dump.write(&threadCount, sizeof(threadCount));
  dump.write(&thread, sizeof(thread));
  dump.padTo(contextRva);
  dump.write(&threadContext, sizeof(threadContext));
  dump.write(reinterpret_cast<const void*>(stackStart), stackSize);

  dump.padTo(moduleListRva);
  const auto count = static_cast<uint32_t>(moduleCount);
  dump.write(&count, sizeof(count));
  uint32_t nameRva = moduleListRva + moduleListSize;
  for (size_t i = 0; i < moduleCount; ++i) {
    MinidumpModule module = {};
    module.baseOfImage = modules[i].base;
    module.sizeOfImage = static_cast<uint32_t>(modules[i].end - modules[i].base);
    module.moduleNameRva = nameRva;
    dump.write(&module, sizeof(module));
    nameRva = alignUp(nameRva + stringSize(modules[i].nameUnits), 4);
  }
  for (size_t i = 0; i < moduleCount; ++i) {
    dump.padTo(alignUp(dump.offset, 4));
    utf8ToUtf16(modules[i].path, modules[i].pathLength, nameBuffer);
    dump.writeString(nameBuffer, modules[i].nameUnits);
  }
  return dump.bOk;
}

void startCrashFilter(const CrashFiles& files) {
  if (bInstalled) return;
  preparePath(dumpPath, files.miniDump);
  preparePath(logPath, files.log);
  preparePath(crashLogCopyPath, files.logCopy);
  // Its own stack, so that a stack overflow can still be reported.
  stack_t stack = {};
  stack.ss_sp = signalStack;
  stack.ss_size = sizeof(signalStack);
  sigaltstack(&stack, nullptr);

  struct sigaction action = {};
  action.sa_sigaction = writeCrashDump;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : kSignals) sigaddset(&action.sa_mask, signalNumber);  // one crash at a time
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previousActions[i]);
  bInstalled = true;
}

void stopCrashFilter() {
  if (!bInstalled) return;
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previousActions[i], nullptr);
  bInstalled = false;
}

void setCrashLogOpen(bool bOpen) { bLogOpen = bOpen; }

void setFaultHook(void (*hook)()) { faultHook = hook; }
