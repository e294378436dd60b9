// SafeConvertTest.cpp: conversions that never throw.
#include <shared_core/SafeConvert.hpp>

#include <cmath>
#include <limits>
#include <locale>
#include <optional>

#include <gtest/gtest.h>

namespace velorin::core::safe_convert {
namespace {

TEST(SafeConvertTest, NumbersToText)
{
   EXPECT_EQ("-42", numberToString(-42, true));
   EXPECT_EQ("1234567", numberToString(1234567L, true));
   EXPECT_EQ("65535", numberToString(static_cast<unsigned short>(65535), true));
   EXPECT_EQ("4294967295", numberToString(4294967295u, true));
   EXPECT_EQ("18446744073709551615", numberToString(18446744073709551615ull, true));
   EXPECT_EQ("-9223372036854775808", numberToString(std::numeric_limits<long long>::min(), true));
   EXPECT_EQ("1", numberToString(true, true));
   EXPECT_EQ("0", numberToString(false, true));
   EXPECT_EQ("2.500000", numberToString(2.5, true));
   EXPECT_EQ("0.100000", numberToString(0.1, true));
   EXPECT_EQ("100000000000000000000.000000", numberToString(1e20, true));
}

// A locale that groups thousands, as a host program's global locale might.
struct GroupingPunct : std::numpunct<char>
{
   char do_thousands_sep() const override { return ','; }
   std::string do_grouping() const override { return "\3"; }
};

TEST(SafeConvertTest, LocaleIndependentTextIgnoresTheGlobalLocale)
{
   const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new GroupingPunct));
   const std::string independent = numberToString(1234567, true);
   const std::string dependent = numberToString(1234567, false);
   std::locale::global(previous);
   EXPECT_EQ("1234567", independent);
   EXPECT_EQ("1,234,567", dependent);
}

TEST(SafeConvertTest, TextToIntTakesOnlyWholeNumbersInRange)
{
   const std::pair<const char*, int> cases[] = {
      {"12", 12},   {"+7", 7},    {"-2147483648", std::numeric_limits<int>::min()},
      {"12a", -1},  {" 12", -1},  {"7 ", -1},
      {"", -1},     {"3000000000", -1}, {"2147483648", -1},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, stringTo<int>(c.first, -1)) << '"' << c.first << '"';
}

TEST(SafeConvertTest, TextToOtherTypes)
{
   EXPECT_EQ(65535, stringTo<unsigned short>("65535", 1));
   EXPECT_EQ(1, stringTo<unsigned short>("65536", 1));
   EXPECT_EQ(4000000000u, stringTo<unsigned int>("4000000000", 1u));
   EXPECT_EQ(18446744073709551615ull, stringTo<unsigned long long>("18446744073709551615", 1ull));
   EXPECT_EQ(1.5, stringTo<double>("1.5", 0.0));
   EXPECT_EQ(-3.0, stringTo<double>("1e", -3.0));
   EXPECT_EQ(-3.0, stringTo<double>("abc", -3.0));
   EXPECT_TRUE(std::isnan(stringTo<double>("nan", 0.0)));
   EXPECT_TRUE(std::isinf(stringTo<double>("inf", 0.0)));
}

TEST(SafeConvertTest, TextToUnsignedShortTakesASignedSixteenBitMagnitude)
{
   // A byte below '0' five places before the end once overflowed inside the reader.
   const std::pair<const char*, std::optional<unsigned short>> cases[] = {
      {"65535", 65535}, {"+12", 12}, {"-1", 65535}, {"-65535", 1}, {"-0", 0}, {"000070000", {}},
      {"65536", {}},    {"-65536", {}}, {"-4294967295", {}}, {"4294967296", {}}, {"!00000", {}},
      {"1-00000", {}},  {" 000000", {}}, {"-", {}}, {"", {}},
   };
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.second.value_or(7), stringTo<unsigned short>(c.first, 7)) << '"' << c.first << '"';
      EXPECT_EQ(c.second.value_or(8), stringTo<unsigned short>(c.first, 8)) << '"' << c.first << '"';
   }
}

TEST(SafeConvertTest, BooleansTakeAnySpellingOfZeroAndOne)
{
   // Any spelling of the numbers 0 and 1 converts; words and other numbers give the default.
   const std::pair<const char*, std::optional<bool>> cases[] = {
      {"1", true},   {"0", false},  {"+1", true},          {"001", true},   {"-0", false},
      {"00", false}, {"true", {}},  {"false", {}},         {"2", {}},       {"-1", {}},
      {"", {}},      {" 1", {}},    {"1 ", {}},
   };
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.second.value_or(true), stringTo<bool>(c.first, true)) << '"' << c.first << '"';
      EXPECT_EQ(c.second.value_or(false), stringTo<bool>(c.first, false)) << '"' << c.first << '"';
   }
}

} // namespace
} // namespace velorin::core::safe_convert
