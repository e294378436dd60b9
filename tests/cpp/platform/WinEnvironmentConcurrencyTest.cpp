// WinEnvironmentConcurrencyTest.cpp: the calls that read the environment meet a thread
// that adds and removes variables, which moves the table they are read from.
#include <platform/Win32Api.hpp>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(WinEnvironmentConcurrencyTest, ReadersMeetVariablesAddedAndRemoved)
{
   std::atomic<bool> done{false};
   std::thread changer([&] {
      for (int batch = 0; !done && batch < 2000; ++batch)
      {
         std::vector<std::wstring> names;
         for (int i = 0; i < 64; ++i)
         {
            names.push_back(L"VELORIN_PLATFORM_FRESH_" + std::to_wstring(batch) + L"_" + std::to_wstring(i));
            ::SetEnvironmentVariableW(names.back().c_str(), L"value");
         }
         for (const std::wstring& name : names)
            ::SetEnvironmentVariableW(name.c_str(), nullptr);
      }
   });

   int failed = 0;
   for (int round = 0; round < 300; ++round)
   {
      wchar_t folder[MAX_PATH];
      failed += ::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK ? 0 : 1;
      failed += ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder) == S_OK ? 0 : 1;
      HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
      failed += ::AssignProcessToJobObject(job, ::GetCurrentProcess()) ? 0 : 1;
      ::CloseHandle(job);
      // Another test program may hold the clipboard: only the lookup of its lock matters.
      if (::OpenClipboard(nullptr))
         ::CloseClipboard();
      if (round % 10 == 0)
      {
         std::FILE* pipe = ::_popen("echo x", "r");
         failed += pipe != nullptr && std::fgetc(pipe) == 'x' && ::_pclose(pipe) == 0 ? 0 : 1;
      }
   }
   done = true;
   changer.join();
   EXPECT_EQ(failed, 0);
}

} // namespace
