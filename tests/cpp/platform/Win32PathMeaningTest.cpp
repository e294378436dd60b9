// Win32PathMeaningTest.cpp: the entry a path names once trailing separators, final "."
// elements and parent elements are resolved as Windows resolves them, with roots kept whole.
#include <platform/Win32PathMeaning.hpp>

#include <string>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

namespace {

TEST(Win32PathMeaningTest, DropsTrailingSeparatorsAndFinalDotsButNeverTheRoot)
{
   const std::pair<const char*, const char*> cases[] = {
      {"dir/link/", "dir/link"},
      {"dir\\link\\", "dir\\link"},
      {"dir/link//", "dir/link"},
      {"dir/link/.", "dir/link"},
      {"dir/d/./.\\./", "dir/d"},
      {"/tmp/d/", "/tmp/d"},
      {"C:\\d\\.", "C:\\d"},
      {"//server/share/", "//server/share"},
      {"./", "."},
      {"./.", "."},
      {"dir/file.txt", "dir/file.txt"},
      {"dir/.hidden", "dir/.hidden"},
      {"dir/name.", "dir/name."},
      {"/", "/"},
      {"/.", "/"},
      {"//", "//"},
      {"C:/", "C:/"},
      {"C:\\.", "C:\\"},
      {"C:", "C:"},
      {"C:.", "C:."},
      {".", "."},
      {"..", ".."},
      {"", ""},
   };
   for (const auto& [path, meaning] : cases)
   {
      EXPECT_EQ(meaning, velorin::platform::win32PathMeaning(std::string_view(path))) << path;
      const std::wstring widePath(path, path + std::char_traits<char>::length(path));
      const std::wstring wideMeaning(meaning, meaning + std::char_traits<char>::length(meaning));
      EXPECT_EQ(wideMeaning, velorin::platform::win32PathMeaning(std::wstring_view(widePath))) << path;
   }
}

TEST(Win32PathMeaningTest, ResolvesParentElementsByTheTextAlone)
{
   const std::pair<const char*, const char*> cases[] = {
      {"dir/link/../x", "dir/x"},
      {"dir\\link\\..\\x\\", "dir\\x"},
      {"dir/./sub/../x/.", "dir/x"},
      {"dir/..", "."},
      {"dir/../", "."},
      {"a/b/../../..", ".."},
      {"../x/", "../x"},
      {"../../x", "../../x"},
      {"/..", "/"},
      {"/a/../../b", "/b"},
      {"C:\\a\\..\\..\\b", "C:\\b"},
      {"//server/share/../x", "//server/x"},
   };
   for (const auto& [path, meaning] : cases)
      EXPECT_EQ(meaning, velorin::platform::win32PathMeaning(std::string_view(path))) << path;
}

} // namespace
