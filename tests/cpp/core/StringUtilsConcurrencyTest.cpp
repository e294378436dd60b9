// StringUtilsConcurrencyTest.cpp: the letter tables built by racing first callers.
#include <core/StringUtils.hpp>

#include <cstdint>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ThreadsStartingTogether.hpp"

namespace velorin::core::string_utils {
namespace {

TEST(LetterTablesConcurrency, RacingFirstCallsSeeWholeTables)
{
   // Every letter and digit of the Basic Multilingual Plane, counted by one caller.
   const auto count = [] {
      std::pair<int, int> lettersAndAlphanumerics{0, 0};
      // Counted in a wider type: a 16-bit wchar_t never passes 0xFFFF.
      for (std::uint32_t code = 0; code <= 0xFFFF; ++code)
      {
         const wchar_t unit = static_cast<wchar_t>(code);
         lettersAndAlphanumerics.first += isalpha(unit) ? 1 : 0;
         lettersAndAlphanumerics.second += isalnum(unit) ? 1 : 0;
      }
      return lettersAndAlphanumerics;
   };
   std::vector<std::pair<int, int>> seen(8);
   EXPECT_EQ(0, testing::countFailedRounds(8, 1, [&](int thread, int) {
                seen[thread] = count();
                return true;
             }));

   const std::pair<int, int> expected = count();
   EXPECT_GT(expected.first, 0);
   EXPECT_GT(expected.second, expected.first);
   for (const auto& counts : seen)
      EXPECT_EQ(expected, counts);
}

} // namespace
} // namespace velorin::core::string_utils
