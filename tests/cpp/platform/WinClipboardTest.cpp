// WinClipboardTest.cpp: which files are enhanced metafiles, and the clipboard's rules
// on being open.
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "ScopedEnvironment.hpp"
#include "ScratchFolder.hpp"

namespace {

class WinClipboardTest : public ::testing::Test
{
protected:
   void SetUp() override { ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1); }

   std::wstring write(const std::string& name, const std::string& bytes)
   {
      const std::string path = (root_ / name).string();
      std::ofstream(path, std::ios::binary) << bytes;
      return velorin::platform::utf16FromUtf8(path);
   }

   const velorin::core::testing::ScopedEnvironment environment_;
   const velorin::core::testing::ScratchFolder root_{"clipboard-%%%%-%%%%"};
};

std::string header(std::size_t size, char recordType, const std::string& signature)
{
   std::string bytes(size, '\0');
   bytes[0] = recordType;
   if (size >= 44)
      bytes.replace(40, 4, signature);
   return bytes;
}

TEST_F(WinClipboardTest, OnlyFilesWithAnEnhancedMetafileHeaderOpen)
{
   struct Case
   {
      const char* name;
      std::string bytes;
      DWORD error;
   };
   const Case cases[] = {
      {"good.emf", header(88, 1, " EMF"), ERROR_SUCCESS},
      {"short.emf", header(87, 1, " EMF"), ERROR_INVALID_DATA},
      {"type.emf", header(88, 2, " EMF"), ERROR_INVALID_DATA},
      {"signature.emf", header(88, 1, "EMF "), ERROR_INVALID_DATA},
      {"empty.emf", "", ERROR_INVALID_DATA},
   };
   for (const Case& c : cases)
   {
      SetLastError(ERROR_SUCCESS);
      const HENHMETAFILE metafile = ::GetEnhMetaFileW(write(c.name, c.bytes).c_str());
      EXPECT_EQ(GetLastError(), c.error) << c.name;
      EXPECT_EQ(metafile != nullptr, c.error == ERROR_SUCCESS) << c.name;
      if (metafile != nullptr)
      {
         EXPECT_TRUE(::DeleteEnhMetaFile(metafile));
         EXPECT_FALSE(::DeleteEnhMetaFile(metafile));
         EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
      }
   }
   EXPECT_EQ(::GetEnhMetaFileW(velorin::platform::utf16FromUtf8(root_.string()).c_str()), nullptr);
   EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED); // a folder
}

TEST_F(WinClipboardTest, TheClipboardMustBeOpenAndIsOpenedOnce)
{
   const HENHMETAFILE metafile = ::GetEnhMetaFileW(write("good.emf", header(88, 1, " EMF")).c_str());
   EXPECT_FALSE(::EmptyClipboard());
   EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
   EXPECT_EQ(::SetClipboardData(CF_ENHMETAFILE, metafile), nullptr);
   EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
   EXPECT_FALSE(::CloseClipboard());
   EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);

   ASSERT_TRUE(::OpenClipboard(nullptr));
   EXPECT_FALSE(::OpenClipboard(nullptr));
   EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
   EXPECT_TRUE(::EmptyClipboard());
   EXPECT_TRUE(velorin::platform::clipboardFormats().empty());
   EXPECT_EQ(::SetClipboardData(CF_ENHMETAFILE, metafile), metafile);
   EXPECT_EQ(velorin::platform::clipboardFormats(), std::vector<UINT>{CF_ENHMETAFILE});
   EXPECT_FALSE(::DeleteEnhMetaFile(metafile)); // the clipboard owns it
   EXPECT_TRUE(::CloseClipboard());
}

} // namespace
