// WinFileConcurrencyTest.cpp: threads that race to open one file keep its share modes.
#include <platform/Win32Api.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

namespace {

std::wstring wide(const std::string& text)
{
   return std::wstring(text.begin(), text.end());
}

TEST(WinFileConcurrencyTest, RacingOpenersKeepTheShareModes)
{
   const boost::filesystem::path file =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("velorin-race-%%%%-%%%%.txt");
   const std::wstring path = wide(file.string());
   std::atomic<int> writers{0};
   std::atomic<int> readers{0};
   std::atomic<int> overlaps{0};
   std::atomic<int> opened{0};
   std::atomic<int> unexpectedErrors{0};

   std::vector<std::thread> threads;
   for (int t = 0; t < 8; ++t)
   {
      threads.emplace_back([&, t] {
         const bool writer = t % 2 == 0;
         for (int i = 0; i < 300; ++i)
         {
            HANDLE handle = writer ? ::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr)
                                   : ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (handle == INVALID_HANDLE_VALUE)
            {
               const DWORD error = ::GetLastError();
               if (error != ERROR_SHARING_VIOLATION && error != ERROR_FILE_NOT_FOUND)
                  ++unexpectedErrors;
               continue;
            }
            ++opened;
            // A writer is alone; readers are only with readers.
            std::atomic<int>& mine = writer ? writers : readers;
            if (mine.fetch_add(1) != 0 && writer)
               ++overlaps;
            if ((writer ? readers : writers).load() != 0)
               ++overlaps;
            std::this_thread::yield();
            mine.fetch_sub(1);
            ::CloseHandle(handle);
         }
      });
   }
   for (std::thread& thread : threads)
      thread.join();

   EXPECT_EQ(0, overlaps.load()) << "a writer shared the file";
   EXPECT_EQ(0, unexpectedErrors.load());
   EXPECT_GT(opened.load(), 0);
   boost::system::error_code ec;
   boost::filesystem::remove(file, ec);
}

} // namespace
