// Win32SystemTest.cpp: the handle, clipboard and metafile scopes, copying a metafile
// to the clipboard, unique identifiers and the tests of the machine and the process.
#include <core/system/Win32System.hpp>

#include <platform/LeftoverHooksListener.hpp>
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <core/system/Environment.hpp>
#include <core/system/System.hpp>

#include "CapturingLogDestination.hpp"
#include "ScopedEnvironment.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core::system {
namespace {

using testing::captureLog;

class Win32SystemTest : public ::testing::Test
{
protected:
   void TearDown() override
   {
      platform::failOnLeftoverHooks();
#ifndef _WIN32
      platform::setTokenElevationType(0);
      platform::setReportedWindowsVersion(10, 0, 0);
#endif
   }

   const testing::ScopedEnvironment environment_;
   const testing::ScratchFolder root_{"system-%%%%-%%%%"};
};

TEST_F(Win32SystemTest, ClosingAHandleEmptiesTheVariableWhateverHappens)
{
   HANDLE none = nullptr;
   EXPECT_FALSE(closeHandle(&none, ERROR_LOCATION));

   HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
   ASSERT_NE(job, nullptr);
   const HANDLE copy = job;
   EXPECT_FALSE(closeHandle(&job, ERROR_LOCATION));
   EXPECT_EQ(job, nullptr);

   HANDLE closed = copy;
   const Error error = closeHandle(&closed, ERROR_LOCATION);
   EXPECT_EQ(error.getCode(), ERROR_INVALID_HANDLE);
   EXPECT_EQ(closed, nullptr);
}

// Recorded and failed platform calls exist only over the Linux stand-ins.
#ifndef _WIN32
TEST_F(Win32SystemTest, HandleScopeClosesOnlyRealHandles)
{
   const auto log = captureLog();
   platform::startRecordingCalls();
   {
      HANDLE none = nullptr;
      HANDLE invalid = INVALID_HANDLE_VALUE;
      CloseHandleOnExitScope closeNone(&none, ERROR_LOCATION);
      CloseHandleOnExitScope closeInvalid(&invalid, ERROR_LOCATION);
   }
   EXPECT_TRUE(platform::takeRecordedCalls().empty());

   HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
   const HANDLE copy = job;
   {
      CloseHandleOnExitScope closeJob(&job, ERROR_LOCATION);
   }
   EXPECT_EQ(job, nullptr);
   EXPECT_FALSE(::CloseHandle(copy)); // closed already
   EXPECT_TRUE(log->lines().empty());

   job = ::CreateJobObjectA(nullptr, nullptr);
   platform::failNext("CloseHandle", ERROR_INVALID_HANDLE);
   {
      CloseHandleOnExitScope closeJob(&job, ERROR_LOCATION);
   }
   ASSERT_EQ(log->lines().size(), 1u);
   EXPECT_NE(log->lines()[0].find("system error 6"), std::string::npos);
}

// An enhanced metafile with a header and an end record, and nothing drawn.
void writeMetafile(const boost::filesystem::path& path)
{
   std::string bytes(108, '\0');
   const auto put = [&](std::size_t offset, std::uint32_t value) {
      for (int i = 0; i < 4; ++i)
         bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
   };
   put(0, 1);           // EMR_HEADER
   put(4, 88);          // its size
   put(40, 0x464D4520); // " EMF"
   put(48, 108);        // the file's size
   put(52, 2);          // two records
   put(88, 14);         // EMR_EOF
   put(92, 20);
   std::ofstream(path.string(), std::ios::binary) << bytes;
}

class ClipboardTest : public Win32SystemTest
{
protected:
   void SetUp() override
   {
      // A clipboard of this test's own, which no other test process holds.
      setenv("XDG_RUNTIME_DIR", root_.string());
      writeMetafile(root_ / "picture.emf");
      std::ofstream((root_ / "text.emf").string()) << "not a metafile";
   }

   FilePath file(const std::string& name) const { return FilePath((root_ / name).string()); }

   // The clipboard and metafile calls made, in order.
   static std::vector<std::string> clipboardCalls()
   {
      std::vector<std::string> calls = platform::takeRecordedCalls();
      calls.erase(std::remove_if(calls.begin(), calls.end(),
                                 [](const std::string& call) {
                                    return call.find("Clipboard") == std::string::npos &&
                                           call.find("EnhMetaFile") == std::string::npos;
                                 }),
                  calls.end());
      return calls;
   }
};

TEST_F(ClipboardTest, AMetafileIsHandedToTheClipboardAndTheClipboardClosed)
{
   platform::startRecordingCalls();
   EXPECT_FALSE(copyMetafileToClipboard(file("picture.emf")));
   EXPECT_EQ(clipboardCalls(), (std::vector<std::string>{"GetEnhMetaFileW", "OpenClipboard", "EmptyClipboard",
                                                         "SetClipboardData", "CloseClipboard"}));
   EXPECT_EQ(platform::clipboardFormats(), std::vector<UINT>{CF_ENHMETAFILE});

   // Closed again: another copy can open it.
   EXPECT_FALSE(copyMetafileToClipboard(file("picture.emf")));
}

TEST_F(ClipboardTest, AFileThatIsNoMetafileNeverOpensTheClipboard)
{
   platform::startRecordingCalls();
   EXPECT_EQ(copyMetafileToClipboard(file("text.emf")).getCode(), ERROR_INVALID_DATA);
   EXPECT_EQ(copyMetafileToClipboard(file("missing.emf")).getCode(), ERROR_FILE_NOT_FOUND);
   EXPECT_EQ(copyMetafileToClipboard(file("missing/picture.emf")).getCode(), ERROR_PATH_NOT_FOUND);
   EXPECT_EQ(clipboardCalls(), (std::vector<std::string>{"GetEnhMetaFileW", "GetEnhMetaFileW", "GetEnhMetaFileW"}));
}

TEST_F(ClipboardTest, AClipboardHeldByAnotherProgramRefusesAndTheMetafileIsDeleted)
{
   int ready[2];
   int release[2];
   ASSERT_EQ(::pipe(ready), 0);
   ASSERT_EQ(::pipe(release), 0);
   const pid_t holder = ::fork();
   ASSERT_GE(holder, 0);
   if (holder == 0)
   {
      ::close(ready[0]);
      ::close(release[1]);
      const char opened = ::OpenClipboard(nullptr) ? 'y' : 'n';
      (void)!::write(ready[1], &opened, 1);
      char done;
      (void)!::read(release[0], &done, 1);
      ::_exit(0);
   }
   ::close(ready[1]);
   ::close(release[0]);
   char opened = 'n';
   ASSERT_EQ(::read(ready[0], &opened, 1), 1);
   EXPECT_EQ(opened, 'y');

   platform::startRecordingCalls();
   EXPECT_EQ(copyMetafileToClipboard(file("picture.emf")).getCode(), ERROR_ACCESS_DENIED);
   EXPECT_EQ(clipboardCalls(), (std::vector<std::string>{"GetEnhMetaFileW", "OpenClipboard", "DeleteEnhMetaFile"}));

   ::close(release[1]);
   ::close(ready[0]);
   ::waitpid(holder, nullptr, 0);
   EXPECT_FALSE(copyMetafileToClipboard(file("picture.emf")));
}

TEST_F(ClipboardTest, FailuresAfterOpeningStillCloseTheClipboard)
{
   for (const char* failing : {"EmptyClipboard", "SetClipboardData"})
   {
      platform::failNext(failing, ERROR_ACCESS_DENIED);
      platform::startRecordingCalls();
      EXPECT_EQ(copyMetafileToClipboard(file("picture.emf")).getCode(), ERROR_ACCESS_DENIED) << failing;
      const std::vector<std::string> calls = clipboardCalls();
      ASSERT_GE(calls.size(), 2u);
      EXPECT_EQ(calls[calls.size() - 2], "CloseClipboard") << failing;
      EXPECT_EQ(calls.back(), "DeleteEnhMetaFile") << failing;
   }

   const auto log = captureLog();
   platform::failNext("CloseClipboard", ERROR_CLIPBOARD_NOT_OPEN);
   EXPECT_FALSE(copyMetafileToClipboard(file("picture.emf")));
   ASSERT_EQ(log->lines().size(), 1u);
   EXPECT_NE(log->lines()[0].find("system error 1418"), std::string::npos);
   ::CloseClipboard(); // the failed close left it open
}
#endif

bool isHex(const std::string& text, bool upperCase)
{
   return std::all_of(text.begin(), text.end(), [&](char c) {
      return std::isdigit(static_cast<unsigned char>(c)) ||
             (upperCase ? (c >= 'A' && c <= 'F') : (c >= 'a' && c <= 'f'));
   });
}

TEST_F(Win32SystemTest, UuidTextsHaveTheirFormats)
{
   const std::string dashed = newUuidText(true);
   ASSERT_EQ(dashed.size(), 36u);
   for (std::size_t position : {9u, 14u, 19u, 24u})
      EXPECT_EQ(dashed[position - 1], '-') << position;
   std::string digits = dashed;
   digits.erase(std::remove(digits.begin(), digits.end(), '-'), digits.end());
   EXPECT_TRUE(isHex(digits, false)) << dashed;

   const std::string plain = newUuidText(false);
   EXPECT_EQ(plain.size(), 32u);
   EXPECT_TRUE(isHex(plain, false)) << plain;
   EXPECT_NE(plain, digits);

   const std::string shortened = generateShortenedUuid();
   EXPECT_EQ(shortened.size(), 8u);
   EXPECT_TRUE(isHex(shortened, true)) << shortened;
}

// Over the stand-ins only: they alone take armed failures, a reported version and an
// elevation type, and answer isatty.
#ifndef _WIN32
TEST_F(Win32SystemTest, AUuidThePlatformCannotMakeIsEmptyAndLogged)
{
   const auto log = captureLog();
   platform::failNext("UuidCreate", RPC_S_UUID_NO_ADDRESS);
   EXPECT_EQ(newUuidText(true), "");
   platform::failNext("UuidToStringA", RPC_S_OUT_OF_MEMORY);
   EXPECT_EQ(newUuidText(false), "");
   platform::failNext("UuidCreate", RPC_S_UUID_NO_ADDRESS);
   EXPECT_EQ(generateShortenedUuid(), "");
   ASSERT_EQ(log->lines().size(), 3u);
   EXPECT_NE(log->lines()[0].find("system error 1739"), std::string::npos);
   EXPECT_NE(log->lines()[1].find("system error 14"), std::string::npos);
}

#endif

TEST_F(Win32SystemTest, ArchitectureTestsReadTheVariablesExactly)
{
   struct Case
   {
      const char* architecture;
      const char* wow64;
      bool process64;
      bool windows64;
   };
   const Case cases[] = {
      {"AMD64", nullptr, true, true},
      {"amd64", nullptr, false, false},
      {"x86", "AMD64", false, true},
      {"x86", "anything", false, true},
      {"x86", nullptr, false, false},
   };
   for (const Case& c : cases)
   {
      setenv("PROCESSOR_ARCHITECTURE", c.architecture);
      if (c.wow64 != nullptr)
         setenv("PROCESSOR_ARCHITEW6432", c.wow64);
      else
         unsetenv("PROCESSOR_ARCHITEW6432");
      EXPECT_EQ(isProcess64Bit(), c.process64) << c.architecture;
      EXPECT_EQ(isWindows64Bit(), c.windows64) << c.architecture;
   }

   // Windows always starts a program with it; the stand-in answers for a program that
   // was started without it. On Windows a program that removes it has none.
   unsetenv("PROCESSOR_ARCHITECTURE");
   unsetenv("PROCESSOR_ARCHITEW6432");
#if defined(__x86_64__) && !defined(_WIN32)
   EXPECT_TRUE(isProcess64Bit());
#endif
}

TEST_F(Win32SystemTest, WindowsSevenOrLaterMeansSixOneOrAbove)
{
   EXPECT_TRUE(atLeastWindows7());
#ifndef _WIN32
   struct Case
   {
      DWORD major;
      DWORD minor;
      WORD servicePack;
      bool expected;
   };
   const Case cases[] = {{6, 1, 0, true}, {6, 0, 2, false}, {5, 2, 0, false}, {6, 2, 0, true}, {11, 0, 0, true}};
   for (const Case& c : cases)
   {
      platform::setReportedWindowsVersion(c.major, c.minor, c.servicePack);
      EXPECT_EQ(atLeastWindows7(), c.expected) << c.major << "." << c.minor;
   }
#endif
}

#ifndef _WIN32
TEST_F(Win32SystemTest, AdministratorsAreRecognisedAlsoWithoutElevation)
{
   struct Case
   {
      int elevationType;
      bool expected;
   };
   const Case cases[] = {
      {TokenElevationTypeFull, true},    // elevated
      {TokenElevationTypeLimited, true}, // an administrator under user account control
      {TokenElevationTypeDefault, false} // a standard user
   };
   const auto log = captureLog();
   for (const Case& c : cases)
   {
      platform::setTokenElevationType(c.elevationType);
      EXPECT_EQ(effectiveUserIsRoot(), c.expected) << c.elevationType;
   }
   EXPECT_TRUE(log->lines().empty());
}

TEST_F(Win32SystemTest, FailingTokenCallsAnswerFalseAfterLogging)
{
   platform::setTokenElevationType(TokenElevationTypeLimited);
   struct Case
   {
      const char* function;
      unsigned int succeedingCalls;
   };
   const Case cases[] = {{"OpenProcessToken", 0},
                         {"GetTokenInformation", 0},
                         {"GetTokenInformation", 1},
                         {"CreateWellKnownSid", 0},
                         {"CheckTokenMembership", 0}};
   for (const Case& c : cases)
   {
      const auto log = captureLog();
      platform::failNextAfter(c.function, c.succeedingCalls, ERROR_ACCESS_DENIED);
      EXPECT_FALSE(effectiveUserIsRoot()) << c.function;
      ASSERT_EQ(log->lines().size(), 1u) << c.function;
      EXPECT_NE(log->lines()[0].find("system error 5"), std::string::npos) << c.function;
   }
}

TEST_F(Win32SystemTest, TerminalTestsAskTheRuntime)
{
   EXPECT_EQ(isStderrTerminal(), ::isatty(2) != 0);
   EXPECT_EQ(isStdoutTerminal(), ::isatty(1) != 0);
}
#endif

TEST_F(Win32SystemTest, LoggingCallbacksLogAllButExpectedErrors)
{
   const auto log = captureLog();
   EXPECT_TRUE(logErrorMessageCallback("callback message", ERROR_LOCATION));
   Error expected = systemError(2, ERROR_LOCATION);
   expected.setExpected();
   EXPECT_TRUE(logErrorCallback(expected, ERROR_LOCATION));
   EXPECT_TRUE(logErrorCallback(systemError(3, ERROR_LOCATION), ERROR_LOCATION));
   ASSERT_EQ(log->lines().size(), 2u);
   EXPECT_NE(log->lines()[0].find("callback message"), std::string::npos);
   EXPECT_NE(log->lines()[1].find("system error 3"), std::string::npos);

   EXPECT_FALSE(initializeSystemLog("velorin-test", log::LogLevel::DEBUG, true));
   initializeLogConfigReload();
   SignalBlocker blocker;
   EXPECT_EQ(log->lines().size(), 2u);
}

} // namespace
} // namespace velorin::core::system
