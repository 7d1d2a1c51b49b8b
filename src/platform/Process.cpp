#include "platform/Process.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/StringUtils.h"

namespace {

std::string readSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string exeFileNameOf(const std::filesystem::path& folder) {
  std::error_code error;
  std::string exe = std::filesystem::read_symlink(folder / "exe", error).string();
  // A program replaced while it runs still counts under its own name.
  constexpr std::string_view deleted = " (deleted)";
  if (exe.ends_with(deleted)) exe.resize(exe.size() - deleted.size());
  if (!error && !exe.empty()) return exe.substr(exe.rfind('/') + 1);
  const std::string commandLine = readSmallFile(folder / "cmdline");
  const std::string program = commandLine.substr(0, commandLine.find('\0'));
  if (!program.empty()) return program.substr(program.rfind('/') + 1);
  std::string comm = readSmallFile(folder / "comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return comm;
}

}  // namespace

std::vector<ProcessEntry> listProcesses() {
  std::vector<ProcessEntry> processes;
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    ProcessEntry process;
    const auto [rest, parseError] = std::from_chars(name.data(), name.data() + name.size(), process.pid);
    if (parseError != std::errc() || rest != name.data() + name.size()) continue;
    // "pid (comm) state ppid ...": the name may hold blanks and parentheses.
    const std::string stat = readSmallFile(it->path() / "stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 >= stat.size()) continue;  // gone meanwhile
    const char state = stat[close + 2];
    if (state == 'Z' || state == 'X') continue;
    std::from_chars(stat.data() + close + 4, stat.data() + stat.size(), process.parentPid);
    process.exeFileName = fromUtf8(exeFileNameOf(it->path()));
    processes.push_back(std::move(process));
  }
  return processes;
}
