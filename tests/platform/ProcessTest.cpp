#include "platform/Process.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <thread>

extern char** environ;

namespace {

// Processes that end while the list is read are left out, never an error.
TEST(ProcessTest, ListingBesideShortLivedProcessesFindsItselfEveryTime) {
  std::atomic<bool> bStop{false};
  std::atomic<int> started{0};
  std::thread churn([&] {
    char program[] = "/bin/true";
    char* const argv[] = {program, nullptr};
    while (!bStop) {
      pid_t pid = 0;
      if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) break;
      ++started;
      waitpid(pid, nullptr, 0);
    }
  });
  int lists = 0;
  for (; lists < 1000 && (lists < 50 || started < 200); ++lists) {
    const std::vector<ProcessEntry> processes = listProcesses();
    const auto self = std::ranges::find(processes, currentProcessId(), &ProcessEntry::pid);
    ASSERT_NE(self, processes.end());
    EXPECT_EQ(self->exeFileName, u"zibtests");
    EXPECT_EQ(self->userId, currentUserId());
    for (const ProcessEntry& process : processes) ASSERT_FALSE(process.exeFileName.empty()) << process.pid;
  }
  bStop = true;
  churn.join();
  EXPECT_GE(started, 200) << "in " << lists << " lists";
}

}  // namespace
