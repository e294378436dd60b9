// ProcessTest.cpp: the process listing and tree, terminating processes, capturing a
// command's output, and the restart outside a job that refuses the program.
#include <core/system/System.hpp>

#include <platform/LeftoverHooksListener.hpp>
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <core/system/Environment.hpp>

#include "CapturingLogDestination.hpp"
#include "DescriptorsTaken.hpp"
#include "ScopedEnvironment.hpp"
#include "ScratchFolder.hpp"

extern char** environ;

namespace velorin::core::system {
namespace {

using testing::captureLog;

ProcessInfo process(std::uint32_t pid, std::uint32_t ppid)
{
   ProcessInfo info;
   info.pid = pid;
   info.ppid = ppid;
   return info;
}

std::vector<std::uint32_t> idsOf(const std::vector<ProcessInfo>& processes)
{
   std::vector<std::uint32_t> ids;
   for (const ProcessInfo& info : processes)
      ids.push_back(info.pid);
   return ids;
}

// Breaks the cycles a tree's parent links may form, so that its nodes are freed.
void releaseTree(ProcessTreeMap* pTree)
{
   for (auto& entry : *pTree)
      entry.second->children.clear();
}

std::vector<std::uint32_t> descendantIds(const std::vector<ProcessInfo>& processes, std::uint32_t start)
{
   ProcessTreeMap tree;
   createProcessTree(processes, &tree);
   std::vector<ProcessInfo> output;
   getProcessDescendants(tree.at(start), &output, 0);
   releaseTree(&tree);
   return idsOf(output);
}

TEST(ProcessTreeTest, ChildrenStandInAscendingIdOrderAndTheFirstOccurrenceWins)
{
   ProcessTreeMap tree;
   createProcessTree({process(0, 0), process(30, 10), process(10, 0), process(20, 10), process(20, 99)}, &tree);
   ASSERT_EQ(tree.size(), 4u);
   EXPECT_EQ(tree.at(20)->data->ppid, 10u);
   ASSERT_EQ(tree.at(10)->children.size(), 2u);
   EXPECT_EQ(tree.at(10)->children[0]->data->pid, 20u);
   EXPECT_EQ(tree.at(10)->children[1]->data->pid, 30u);
   // The idle process is its own parent, and so its own child.
   ASSERT_EQ(tree.at(0)->children.size(), 2u);
   EXPECT_EQ(tree.at(0)->children[0]->data->pid, 0u);
   releaseTree(&tree);
}

TEST(ProcessTreeTest, DescendantsComeDepthFirstEachOnceAndNeverLeadBack)
{
   const std::uint32_t self = getCurrentProcessId();
   struct Case
   {
      const char* name;
      std::vector<ProcessInfo> processes;
      std::uint32_t start;
      std::vector<std::uint32_t> expected;
   };
   const Case cases[] = {
      {"child before grandchild", {process(1, 0), process(2, 1), process(3, 2), process(4, 1)}, 1, {2, 3, 4}},
      {"a cycle below the start", {process(1, 0), process(2, 1), process(3, 2), process(2, 3)}, 1, {2, 3}},
      {"a cycle back to the start", {process(1, 3), process(2, 1), process(3, 2)}, 1, {2, 3}},
      // A reused id makes the running program a child of its own grandchild.
      {"a cycle through the running program",
       {process(self, 5), process(5, 6), process(6, self)},
       self,
       {6, 5}},
      {"the running program and all below it, from another start",
       {process(1, 0), process(self, 1), process(7, self)},
       1,
       {}},
   };
   for (const Case& c : cases)
      EXPECT_EQ(descendantIds(c.processes, c.start), c.expected) << c.name;
}

TEST(ProcessTreeTest, DescendantsEndAfterTheHundredthLevel)
{
   std::vector<ProcessInfo> chain = {process(1, 0)};
   for (std::uint32_t pid = 2; pid <= 150; ++pid)
      chain.push_back(process(pid, pid - 1));
   const std::vector<std::uint32_t> ids = descendantIds(chain, 1);
   ASSERT_EQ(ids.size(), 100u);
   EXPECT_EQ(ids.front(), 2u);
   EXPECT_EQ(ids.back(), 101u);
}

// Opens a process for waiting on and signalling without the risk of a reused id.
int pidfdOpen(pid_t pid)
{
   return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

bool endsWithin(int pidfd, std::chrono::milliseconds limit)
{
   pollfd ready{pidfd, POLLIN, 0};
   return ::poll(&ready, 1, static_cast<int>(limit.count())) == 1;
}

// A child ("sleep 31") whose own child ("sleep 30") runs beside it. Whatever is
// still running at the end is killed, through descriptors that name only them.
class ProcessTest : public ::testing::Test
{
protected:
   void TearDown() override
   {
      platform::failOnLeftoverHooks();
      for (int pidfd : {grandchildFd_, childFd_})
      {
         if (pidfd < 0)
            continue;
         ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
         ::close(pidfd);
      }
      if (child_ > 0)
         ::waitpid(child_, nullptr, 0);
   }

   void startChildWithGrandchild()
   {
      const char* argv[] = {"sh", "-c", "sleep 30 & exec sleep 31", nullptr};
      ASSERT_EQ(::posix_spawnp(&child_, "sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
      childFd_ = pidfdOpen(child_);
      ASSERT_GE(childFd_, 0);

      // The grandchild, once the child has started it and become "sleep 31".
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (std::chrono::steady_clock::now() < deadline)
      {
         const std::vector<SubprocInfo> children = getSubprocesses(static_cast<unsigned long>(child_));
         const bool childExecuted =
            !getSubprocesses(static_cast<unsigned long>(::getpid())).empty() &&
            getSubprocesses(static_cast<unsigned long>(::getpid())).front().exe == "sleep";
         if (!children.empty() && childExecuted)
         {
            grandchild_ = static_cast<pid_t>(children.front().pid);
            grandchildFd_ = pidfdOpen(grandchild_);
            ASSERT_GE(grandchildFd_, 0);
            return;
         }
         std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      FAIL() << "the grandchild did not start";
   }

   pid_t child_ = -1;
   pid_t grandchild_ = -1;
   int childFd_ = -1;
   int grandchildFd_ = -1;
};

TEST_F(ProcessTest, TheListingHoldsThisProcessUnderItsParent)
{
   std::vector<ProcessInfo> processes = {process(1, 1)};
   ASSERT_FALSE(getProcesses(&processes));
   EXPECT_EQ(processes.front().pid, 1u); // appended to
   const auto self = std::find_if(processes.begin(), processes.end(),
                                  [](const ProcessInfo& p) { return p.pid == static_cast<std::uint32_t>(::getpid()); });
   ASSERT_NE(self, processes.end());
   EXPECT_EQ(self->ppid, static_cast<std::uint32_t>(::getppid()));
   EXPECT_EQ(currentProcessIdText(), std::to_string(::getpid()));
}

TEST_F(ProcessTest, ListingFailuresAreReportedOrLogged)
{
   std::vector<ProcessInfo> processes;
   platform::failNext("CreateToolhelp32Snapshot", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ(getProcesses(&processes).getCode(), 8);
   platform::failNext("CreateToolhelp32Snapshot", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ(getChildProcesses(&processes).getCode(), 8);
   EXPECT_EQ(getChildProcesses(nullptr).getCode(), 22);
   platform::failNext("Process32First", ERROR_NO_MORE_FILES);
   EXPECT_FALSE(getProcesses(&processes));
   EXPECT_TRUE(processes.empty());

   const auto log = captureLog();
   platform::failNext("CreateToolhelp32Snapshot", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_TRUE(getSubprocesses(1).empty());
   platform::failNext("Process32First", ERROR_BAD_LENGTH);
   EXPECT_TRUE(getSubprocesses(1).empty());
   ASSERT_EQ(log->lines().size(), 2u);
   EXPECT_NE(log->lines()[0].find("system error 8"), std::string::npos);
   EXPECT_NE(log->lines()[1].find("system error 24"), std::string::npos);
}

TEST_F(ProcessTest, WithoutChildrenNothingIsListedOrOpened)
{
   std::vector<ProcessInfo> children;
   ASSERT_FALSE(getChildProcesses(&children));
   EXPECT_TRUE(children.empty());

   platform::startRecordingCalls();
   EXPECT_FALSE(terminateChildProcesses());
   const std::vector<std::string> calls = platform::takeRecordedCalls();
   EXPECT_EQ(std::count(calls.begin(), calls.end(), "OpenProcess"), 0);
}

TEST_F(ProcessTest, ChildAndGrandchildAreListedInOrderAndTerminatedWhileTheCallerSurvives)
{
   startChildWithGrandchild();
   std::vector<ProcessInfo> descendants;
   ASSERT_FALSE(getChildProcesses(&descendants));
   const std::vector<std::uint32_t> ids = idsOf(descendants);
   EXPECT_EQ(ids, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(child_),
                                             static_cast<std::uint32_t>(grandchild_)}));

   const std::vector<SubprocInfo> direct = getSubprocesses(static_cast<unsigned long>(::getpid()));
   ASSERT_EQ(direct.size(), 1u);
   EXPECT_EQ(direct[0].pid, static_cast<std::uint32_t>(child_));
   EXPECT_EQ(direct[0].exe, "sleep");

   EXPECT_FALSE(terminateChildProcesses());
   int status = 0;
   ASSERT_EQ(::waitpid(child_, &status, 0), child_);
   child_ = -1;
   EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
   EXPECT_TRUE(endsWithin(grandchildFd_, std::chrono::seconds(10)));
}

TEST_F(ProcessTest, FailedTerminationsAreLoggedAndTheRestGoOn)
{
   startChildWithGrandchild();
   const auto log = captureLog();
   platform::failNext("OpenProcess", ERROR_ACCESS_DENIED);
   EXPECT_FALSE(terminateChildProcesses());
   ASSERT_EQ(log->lines().size(), 1u);
   EXPECT_NE(log->lines()[0].find("system error 5"), std::string::npos);
   // The child was skipped, the grandchild ended.
   EXPECT_TRUE(endsWithin(grandchildFd_, std::chrono::seconds(10)));
   EXPECT_FALSE(endsWithin(childFd_, std::chrono::milliseconds(0)));

   platform::failNext("TerminateProcess", ERROR_ACCESS_DENIED);
   platform::failNext("CloseHandle", ERROR_INVALID_HANDLE);
   EXPECT_FALSE(terminateChildProcesses());
   EXPECT_EQ(log->lines().size(), 3u);
}

TEST_F(ProcessTest, TerminatingANamedProcess)
{
   startChildWithGrandchild();
   EXPECT_FALSE(terminateProcess(static_cast<std::uint32_t>(grandchild_)));
   EXPECT_TRUE(endsWithin(grandchildFd_, std::chrono::seconds(10)));

   // Ids that name no process, the idle process, and ids a signal call would take for
   // a process group or every process: each is refused before any signal is sent.
   const char* pidMax = "/proc/sys/kernel/pid_max";
   std::FILE* file = std::fopen(pidMax, "r");
   unsigned long maxPid = 4194304;
   if (file != nullptr)
   {
      if (std::fscanf(file, "%lu", &maxPid) != 1)
         maxPid = 4194304;
      std::fclose(file);
   }
   for (std::uint32_t pid : {static_cast<std::uint32_t>(maxPid + 1), 0u, 0xFFFFFFFFu, 0x80000000u})
      EXPECT_EQ(terminateProcess(pid).getCode(), ERROR_INVALID_PARAMETER) << pid;

   // A process that has ended but is not yet reaped is refused, as Windows refuses a
   // process that has ended while a handle keeps it; once reaped, it is gone.
   ::syscall(SYS_pidfd_send_signal, childFd_, SIGKILL, nullptr, 0);
   ASSERT_TRUE(endsWithin(childFd_, std::chrono::seconds(10)));
   EXPECT_EQ(terminateProcess(static_cast<std::uint32_t>(child_)).getCode(), ERROR_ACCESS_DENIED);
   ::waitpid(child_, nullptr, 0);
   const pid_t ended = child_;
   child_ = -1;
   EXPECT_EQ(terminateProcess(static_cast<std::uint32_t>(ended)).getCode(), ERROR_INVALID_PARAMETER);
}

TEST(CaptureCommandTest, StandardOutputIsAppendedWhateverTheExitStatus)
{
   struct Case
   {
      std::string command;
      std::string expected;
   };
   const Case cases[] = {
      {"echo hello", "before:hello\n"},
      {"printf 'a\\r\\nb\\rc\\r\\n'", "before:a\nb\rc\n"},
      {"echo out; echo err >&2; exit 3", "before:out\n"},
      {"printf '%2000s' x", "before:" + std::string(1999, ' ') + "x"},
   };
   for (const Case& c : cases)
   {
      std::string output = "before:";
      EXPECT_FALSE(captureCommand(c.command, &output)) << c.command;
      EXPECT_EQ(output, c.expected) << c.command;
   }
}

// SIGCHLD ignored, so that the system reaps every child as it ends.
class ChildrenReapedBySystem
{
public:
   ChildrenReapedBySystem()
   {
      struct sigaction ignore = {};
      ignore.sa_handler = SIG_IGN;
      ::sigaction(SIGCHLD, &ignore, &saved_);
   }
   ~ChildrenReapedBySystem() { ::sigaction(SIGCHLD, &saved_, nullptr); }

private:
   struct sigaction saved_ = {};
};

// The C runtime's numbers, as the runtime sets errno: 24 when no pipe can be made, 10
// when the wait for the shell fails. A shell the system reaped by itself has run.
TEST(CaptureCommandTest, PipeFailuresAreTheRuntimesNumbers)
{
   enum class Condition
   {
      PipeRefused,
      CloseFails,
      NoDescriptorsLeft,
      ChildrenReapedBySystem,
   };
   struct Case
   {
      const char* name;
      Condition condition;
      int expectedCode;
      std::string expectedOutput;
   };
   const Case cases[] = {
      {"no pipe", Condition::PipeRefused, 24, ""},
      {"the close fails", Condition::CloseFails, 10, "x\n"},
      {"descriptors run out", Condition::NoDescriptorsLeft, 24, ""},
      {"children reaped by the system", Condition::ChildrenReapedBySystem, 0, "x\n"},
   };
   for (const Case& c : cases)
   {
      std::optional<testing::DescriptorsTaken> taken;
      std::optional<ChildrenReapedBySystem> reaped;
      switch (c.condition)
      {
         case Condition::PipeRefused: platform::failNext("_popen", 0); break;
         case Condition::CloseFails: platform::failNext("_pclose", 0); break;
         case Condition::NoDescriptorsLeft: taken.emplace(); break;
         case Condition::ChildrenReapedBySystem: reaped.emplace(); break;
      }
      std::string output;
      const Error error = captureCommand("echo x", &output);
      taken.reset();
      reaped.reset();
      EXPECT_EQ(error.getCode(), c.expectedCode) << c.name;
      EXPECT_EQ(output, c.expectedOutput) << c.name;
   }
}

// The job tests run the helper program, which ties itself to a job.
class JobObjectTest : public ::testing::Test
{
protected:
   std::string run(const std::string& arguments)
   {
      std::string output;
      EXPECT_FALSE(captureCommand("'" JOB_HELPER "' " + arguments + "; echo status=$?", &output));
      return output;
   }

   const testing::ScopedEnvironment environment_;
};

TEST_F(JobObjectTest, AProgramThatCanJoinItsJobGoesOn)
{
   unsetenv(platform::kRefusingJobVariable);
   unsetenv("_VELORIN_LEVEL");
   EXPECT_EQ(run("7"), "started " JOB_HELPER "\nattached level= arguments=7\nstatus=7\n");
}

TEST_F(JobObjectTest, ChildrenDieWithTheProgram)
{
   unsetenv(platform::kRefusingJobVariable);
   unsetenv("_VELORIN_LEVEL");
   // The child holds the output pipe too: the capture ends only once it has gone.
   const auto before = std::chrono::steady_clock::now();
   const std::string output = run("0 child");
   EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(20));
   const std::size_t child = output.find("child ");
   ASSERT_NE(child, std::string::npos) << output;
   const std::string pid = output.substr(child + 6, output.find('\n', child) - child - 6);
   // Gone, or ended and not yet reaped by its new parent. A killed process lets go of
   // its descriptors a moment before it has ended.
   const auto stateOf = [&] {
      std::ifstream stat("/proc/" + pid + "/stat");
      std::string id, name, state;
      stat >> id >> name >> state;
      return state;
   };
   const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
   std::string state = stateOf();
   while (!state.empty() && state != "Z" && std::chrono::steady_clock::now() < deadline)
   {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      state = stateOf();
   }
   EXPECT_TRUE(state.empty() || state == "Z") << state;
}

// The restarted copy gets every argument whole, whatever its characters, and is
// started by the name the first copy was started by, also a bare name found along PATH.
TEST_F(JobObjectTest, ARefusingJobRestartsTheProgramOnceOutsideIt)
{
   // A name that is not beside the program, so that the restart looks along PATH too.
   const testing::ScratchFolder folder("path-%%%%-%%%%");
   boost::filesystem::create_symlink(JOB_HELPER, folder / "velorin-job-helper");
   struct Case
   {
      std::string path;
      std::string command;
      std::string expected;
   };
   const Case cases[] = {
      {getenv("PATH"),
       "'" JOB_HELPER "' 42 'two words' 'a\"quote'",
       "started " JOB_HELPER "\nstarted " JOB_HELPER "\nattached level=1 arguments=42|two words|a\"quote\nstatus=42\n"},
      {getenv("PATH"),
       "'" JOB_HELPER "' 3 caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC '\xF0\x9F\x98\x80 x'",
       "started " JOB_HELPER "\nstarted " JOB_HELPER
       "\nattached level=1 arguments=3|caf\xC3\xA9|\xE6\x97\xA5\xE6\x9C\xAC|\xF0\x9F\x98\x80 x\nstatus=3\n"},
      {boost::filesystem::path(JOB_HELPER).parent_path().string(),
       "job_helper 4",
       "started job_helper\nstarted job_helper\nattached level=1 arguments=4\nstatus=4\n"},
      {folder.string(),
       "velorin-job-helper 9 caf\xC3\xA9",
       "started velorin-job-helper\nstarted velorin-job-helper\nattached level=1 arguments=9|caf\xC3\xA9\nstatus=9\n"},
   };
   for (const Case& c : cases)
   {
      setenv(platform::kRefusingJobVariable, "1");
      unsetenv("_VELORIN_LEVEL");
      setenv("PATH", c.path);
      std::string output;
      EXPECT_FALSE(captureCommand(c.command + "; echo status=$?", &output)) << c.command;
      EXPECT_EQ(output, c.expected) << c.command;
   }
}

TEST_F(JobObjectTest, TheRestartedCopyNeverRestartsAgain)
{
   setenv(platform::kRefusingJobVariable, "1");
   setenv("_VELORIN_LEVEL", "1");
   EXPECT_EQ(run("5"), "started " JOB_HELPER "\nattached level=1 arguments=5\nstatus=5\n");
}

TEST_F(JobObjectTest, ARestartThatCannotStartLetsTheProgramGoOnInTheJob)
{
   setenv(platform::kRefusingJobVariable, "1");
   unsetenv("_VELORIN_LEVEL");
   // A program that cannot be found stands for a restart that fails.
   setenv("PATH", "/nonexistent");
   std::string output;
   EXPECT_FALSE(captureCommand(
      "/bin/bash -c \"exec -a velorin-missing-program '" JOB_HELPER "' 3\"; echo status=$?", &output));
   EXPECT_EQ(output, "started velorin-missing-program\nattached level=1 arguments=3\nstatus=3\n");
}

} // namespace
} // namespace velorin::core::system
