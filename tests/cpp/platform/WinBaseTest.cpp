// WinBaseTest.cpp: the thread's last error and the Win32 error numbers.
#include <platform/Win32Api.hpp>

#include <cerrno>
#include <thread>

#include <boost/system/error_code.hpp>
#include <gtest/gtest.h>

namespace {

TEST(WinBaseTest, LastErrorBelongsToTheThread)
{
   SetLastError(ERROR_ACCESS_DENIED);
   DWORD seenByOtherThread = 1;
   std::thread([&] { seenByOtherThread = GetLastError(); }).join();
   EXPECT_EQ(0u, seenByOtherThread);
   EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
}

TEST(WinBaseTest, SystemCategoryGivesWindowsTexts)
{
   const auto& category = velorin::platform::systemCategory();
   EXPECT_STREQ("system", category.name());
   const std::pair<int, const char*> cases[] = {
      {2, "The system cannot find the file specified"},
      {3, "The system cannot find the path specified"},
      {5, "Access is denied"},
      {32, "The process cannot access the file because it is being used by another process"},
      {80, "The file exists"},
      {87, "The parameter is incorrect"},
      {122, "The data area passed to a system call is too small"},
      {1418, "Thread does not have a clipboard open"},
      {99999, "Unknown error"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, category.message(c.first)) << c.first;
}

TEST(WinBaseTest, SystemCodesAreEquivalentToPortableConditions)
{
   const auto& category = velorin::platform::systemCategory();
   using boost::system::errc::errc_t;
   EXPECT_TRUE(boost::system::error_code(2, category) == errc_t::no_such_file_or_directory);
   EXPECT_TRUE(boost::system::error_code(3, category) == errc_t::no_such_file_or_directory);
   EXPECT_TRUE(boost::system::error_code(5, category) == errc_t::permission_denied);
   EXPECT_TRUE(boost::system::error_code(17, category) == errc_t::cross_device_link);
   EXPECT_TRUE(boost::system::error_code(80, category) == errc_t::file_exists);
   EXPECT_FALSE(boost::system::error_code(80, category) == errc_t::permission_denied);
}

TEST(WinBaseTest, ErrnoValuesMapToWin32Numbers)
{
   const std::pair<int, DWORD> cases[] = {
      {ENOENT, 2}, {ENOTDIR, 3}, {EACCES, 5}, {EPERM, 5}, {EBADF, 6}, {EXDEV, 17},
      {EEXIST, 80}, {EINVAL, 87}, {ENOSPC, 112}, {ENOTEMPTY, 145}, {ENAMETOOLONG, 206},
      {EPIPE, ERROR_GEN_FAILURE},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, velorin::platform::win32ErrorFromErrno(c.first)) << c.first;
}

} // namespace
