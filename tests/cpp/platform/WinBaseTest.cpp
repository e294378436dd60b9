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
      {4, "The system cannot open the file"},
      {5, "Access is denied"},
      {19, "The media is write protected"},
      {20, "The system cannot find the device specified"},
      {32, "The process cannot access the file because it is being used by another process"},
      {33, "The process cannot access the file because another process has locked a portion of the file"},
      {36, "Too many files opened for sharing"},
      {80, "The file exists"},
      {87, "The parameter is incorrect"},
      {120, "This function is not supported on this system"},
      {122, "The data area passed to a system call is too small"},
      // C-runtime numbers that some errors carry read as Windows reads them.
      {22, "The device does not recognize the command"},
      {104, "Cannot request exclusive semaphores at interrupt time"},
      {129, "The %1 application cannot be run in Win32 mode"},
      {134, "An attempt was made to use a JOIN or SUBST command on a drive that has already been joined"},
      {183, "Cannot create a file when that file already exists"},
      {223, "The file size exceeds the limit allowed and cannot be saved"},
      {232, "The pipe is being closed"},
      {267, "The directory name is invalid"},
      {995, "The I/O operation has been aborted because of either a thread exit or an application request"},
      {998, "Invalid access to memory location"},
      {1117, "The request could not be performed because of an I/O device error"},
      {1142, "An attempt was made to create more links on a file than the file system supports"},
      {1418, "Thread does not have a clipboard open"},
      {1920, "The file cannot be accessed by the system"},
      {1921, "The name of the file cannot be resolved by the system"},
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
   EXPECT_TRUE(boost::system::error_code(183, category) == errc_t::file_exists);
   EXPECT_FALSE(boost::system::error_code(80, category) == errc_t::permission_denied);
   EXPECT_FALSE(boost::system::error_code(1920, category) == errc_t::permission_denied);
}

// Each errno value names the situation Windows numbers; 31 is left for what Windows
// has no counterpart of. A number the table gives reads back as the errno's condition,
// so code that tests a Win32 error against errc sees what the system reported.
TEST(WinBaseTest, ErrnoValuesMapToWin32Numbers)
{
   using boost::system::errc::errc_t;
   struct Case
   {
      int errnoValue;
      DWORD win32;
      errc_t condition;
   };
   const Case cases[] = {
      {ENOENT, 2, errc_t::no_such_file_or_directory},
      {ENOTDIR, 3, errc_t::no_such_file_or_directory},
      {EMFILE, 4, errc_t::too_many_files_open},
      {ENFILE, 4, errc_t::too_many_files_open},
      {EACCES, 5, errc_t::permission_denied},
      {EPERM, 5, errc_t::permission_denied},
      {EISDIR, 5, errc_t::permission_denied},
      {EBADF, 6, errc_t::bad_file_descriptor},
      {ENOMEM, 8, errc_t::not_enough_memory},
      {EXDEV, 17, errc_t::cross_device_link},
      {EROFS, 19, errc_t::read_only_file_system},
      {ENODEV, 20, errc_t::no_such_device},
      {ENXIO, 20, errc_t::no_such_device},
      {EBUSY, 32, errc_t::device_or_resource_busy},
      {ETXTBSY, 32, errc_t::device_or_resource_busy},
      {EAGAIN, 33, errc_t::resource_unavailable_try_again},
      {ENOLCK, 36, errc_t::no_lock_available},
      {ENOTSUP, 50, errc_t::not_supported},
      {EEXIST, 80, errc_t::file_exists},
      {EINVAL, 87, errc_t::invalid_argument},
      {ENOSPC, 112, errc_t::no_space_on_device},
      {EDQUOT, 112, errc_t::no_space_on_device},
      {ENOSYS, 120, errc_t::function_not_supported},
      {ENOTEMPTY, 145, errc_t::directory_not_empty},
      {ENAMETOOLONG, 206, errc_t::filename_too_long},
      {EFBIG, 223, errc_t::file_too_large},
      {EOVERFLOW, 223, errc_t::file_too_large},
      {EPIPE, 232, errc_t::broken_pipe},
      {EINTR, 995, errc_t::interrupted},
      {EFAULT, 998, errc_t::bad_address},
      {EILSEQ, 1113, errc_t::illegal_byte_sequence},
      {EIO, 1117, errc_t::io_error},
      {EMLINK, 1142, errc_t::too_many_links},
      {ELOOP, 1921, errc_t::too_many_symbolic_link_levels},
   };
   const auto& category = velorin::platform::systemCategory();
   for (const Case& c : cases)
   {
      const DWORD win32 = velorin::platform::win32ErrorFromErrno(c.errnoValue);
      EXPECT_EQ(c.win32, win32) << c.errnoValue;
      EXPECT_TRUE(boost::system::error_code(static_cast<int>(win32), category) == c.condition) << c.errnoValue;
      EXPECT_NE("Unknown error", category.message(static_cast<int>(win32))) << c.errnoValue;
   }
   for (int unmatched : {ENOTBLK, EPROTO, ESTALE})
      EXPECT_EQ(ERROR_GEN_FAILURE, velorin::platform::win32ErrorFromErrno(unmatched)) << unmatched;
}

} // namespace
