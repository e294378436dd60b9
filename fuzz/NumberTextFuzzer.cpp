// NumberTextFuzzer.cpp: numbers read from text. The input's first byte picks a reader,
// the rest is its text. Every reader agrees with a plain digit loop written here on
// whether the text is a number and on its value, the version reader leaves its out
// value alone when it refuses, and a number written as text reads back.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <core/StringUtils.hpp>
#include <shared_core/SafeConvert.hpp>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core;
using velorin::fuzz::check;

// An optional '+' or '-' and at least one decimal digit, nothing else: the magnitude,
// or nothing when it exceeds the limit or the text is not of that shape.
struct Signed
{
   bool negative = false;
   std::uint64_t magnitude = 0;
};

std::optional<Signed> readDecimal(const std::string& text, std::uint64_t limit)
{
   Signed number;
   std::size_t position = 0;
   if (position < text.size() && (text[position] == '+' || text[position] == '-'))
      number.negative = text[position++] == '-';
   if (position == text.size())
      return std::nullopt;
   for (; position < text.size(); ++position)
   {
      const char c = text[position];
      if (c < '0' || c > '9')
         return std::nullopt;
      const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
      if (number.magnitude > (limit - digit) / 10)
         return std::nullopt;
      number.magnitude = number.magnitude * 10 + digit;
   }
   return number;
}

// Unsigned types take a '-' as negation modulo their range; the magnitude must fit.
template <typename T>
std::optional<T> referenceUnsigned(const std::string& text)
{
   const std::optional<Signed> number = readDecimal(text, std::numeric_limits<T>::max());
   if (!number)
      return std::nullopt;
   const T value = static_cast<T>(number->magnitude);
   return number->negative ? static_cast<T>(T(0) - value) : value;
}

std::optional<int> referenceInt(const std::string& text)
{
   const std::uint64_t largest = std::numeric_limits<int>::max();
   const std::optional<Signed> number = readDecimal(text, largest + 1);
   if (!number || (!number->negative && number->magnitude > largest))
      return std::nullopt;
   return number->negative ? static_cast<int>(-static_cast<std::int64_t>(number->magnitude))
                           : static_cast<int>(number->magnitude);
}

// A truth value is a last digit 0 or 1 after only zeros, with a '+' allowed before,
// and a '-' only before a false one.
std::optional<bool> referenceBool(const std::string& text)
{
   if (text.empty() || (text.back() != '0' && text.back() != '1'))
      return std::nullopt;
   const bool value = text.back() == '1';
   std::size_t position = 0;
   if (text.size() > 1 && (text[0] == '+' || (text[0] == '-' && !value)))
      position = 1;
   for (; position + 1 < text.size(); ++position)
   {
      if (text[position] != '0')
         return std::nullopt;
   }
   return value;
}

std::optional<std::uint64_t> referenceVersion(const std::string& text)
{
   std::uint64_t sum = 0;
   std::size_t start = 0;
   for (int piece = 0; piece < 4; ++piece)
   {
      const std::size_t dot = text.find('.', start);
      const std::optional<unsigned short> part =
         referenceUnsigned<unsigned short>(text.substr(start, dot == std::string::npos ? dot : dot - start));
      if (!part)
         return std::nullopt;
      sum += static_cast<std::uint64_t>(*part) << (48 - 16 * piece);
      if (dot == std::string::npos)
         break;
      start = dot + 1;
   }
   return sum;
}

// Two defaults that no text gives together tell a refusal from a converted default.
template <typename T>
std::optional<T> converted(const std::string& text, T first, T second)
{
   const T a = safe_convert::stringTo<T>(text, first);
   const T b = safe_convert::stringTo<T>(text, second);
   if (a == first && b == second)
      return std::nullopt;
   check(a == b);
   return a;
}

template <typename T>
void checkUnsigned(const std::string& text)
{
   check(converted<T>(text, 0, 1) == referenceUnsigned<T>(text));
}

void checkVersion(const std::string& text)
{
   const std::uint64_t untouched = 0x0123456789abcdefULL;
   std::uint64_t version = untouched;
   const bool accepted = string_utils::parseVersion(text, &version);
   const std::optional<std::uint64_t> expected = referenceVersion(text);
   check(accepted == expected.has_value());
   check(version == (accepted ? *expected : untouched));
   check(string_utils::parseVersion(text, nullptr) == accepted);

   if (!accepted)
      return;
   // The four parts written back as a version read to the same number.
   std::string written;
   for (int piece = 0; piece < 4; ++piece)
   {
      written += (piece == 0 ? "" : ".") +
                 safe_convert::numberToString(static_cast<unsigned short>(version >> (48 - 16 * piece)), true);
   }
   std::uint64_t again = 0;
   check(string_utils::parseVersion(written, &again) && again == version);
}

// A decimal number in the plain shape that both readers know: sign, digits, a point,
// digits and a small exponent, so that neither overflow nor underflow comes in.
std::string decimalText(FuzzedDataProvider& provider)
{
   std::string text;
   if (provider.ConsumeBool())
      text += '-';
   const auto digits = [&](std::size_t most) {
      const std::size_t count = provider.ConsumeIntegralInRange<std::size_t>(0, most);
      for (std::size_t i = 0; i < count; ++i)
         text += static_cast<char>('0' + provider.ConsumeIntegralInRange(0, 9));
   };
   digits(15);
   if (provider.ConsumeBool())
   {
      text += '.';
      digits(15);
   }
   if (provider.ConsumeBool())
   {
      text += provider.ConsumeBool() ? 'e' : 'E';
      if (provider.ConsumeBool())
         text += '-';
      digits(1);
   }
   return text;
}

void checkDouble(FuzzedDataProvider& provider)
{
   const std::string text = decimalText(provider);
   double expected = 0;
   const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), expected);
   const bool wholeText = read.ec == std::errc() && read.ptr == text.data() + text.size();
   const std::optional<double> value = converted<double>(text, 0.25, 0.5);
   check(value.has_value() == wholeText);
   if (wholeText)
      check(*value == expected);

   // Written in fixed notation with six decimals, a value reads back to within the
   // last written decimal.
   const double number = provider.ConsumeFloatingPoint<double>();
   if (!std::isfinite(number))
      return;
   const std::string written = safe_convert::numberToString(number, true);
   const std::optional<double> back = converted<double>(written, 0.25, 0.5);
   check(back.has_value());
   check(std::fabs(*back - number) <= 5e-7 + std::fabs(number) * 4 * std::numeric_limits<double>::epsilon());
}

template <typename T>
void checkWrittenReadsBack(T number)
{
   check(safe_convert::stringTo<T>(safe_convert::numberToString(number, true), static_cast<T>(number ^ 1)) == number);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   if (size == 0)
      return 0;
   const std::uint8_t reader = data[0];
   const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

   switch (reader % 8)
   {
   case 0:
   {
      const boost::optional<unsigned short> value = string_utils::parseUnsignedShort(text);
      const std::optional<unsigned short> expected = referenceUnsigned<unsigned short>(text);
      check(value.has_value() == expected.has_value() && (!value || *value == *expected));
      break;
   }
   case 1:
      checkVersion(text);
      break;
   case 2:
      check(converted<int>(text, 0, 1) == referenceInt(text));
      break;
   case 3:
      checkUnsigned<unsigned short>(text);
      break;
   case 4:
      checkUnsigned<unsigned int>(text);
      break;
   case 5:
      checkUnsigned<unsigned long long>(text);
      break;
   case 6:
      check(converted<bool>(text, false, true) == referenceBool(text));
      break;
   default:
   {
      FuzzedDataProvider provider(data + 1, size - 1);
      checkDouble(provider);
      checkWrittenReadsBack(provider.ConsumeIntegral<int>());
      checkWrittenReadsBack(provider.ConsumeIntegral<unsigned short>());
      checkWrittenReadsBack(provider.ConsumeIntegral<unsigned int>());
      checkWrittenReadsBack(provider.ConsumeIntegral<unsigned long long>());
      break;
   }
   }
   return 0;
}
