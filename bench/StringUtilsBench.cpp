// StringUtilsBench.cpp: line-break conversion and counting over a 50 MB text with
// mixed breaks, beside the line-break regular expression they replace; UTF-8 to UTF-16
// conversion of 1 MB of mixed text beside a plain decoding loop.
#include <core/StringUtils.hpp>
#include <shared_core/system/Win32StringUtils.hpp>

#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <boost/regex.hpp>

namespace {

using namespace velorin::core;

// Lines of 20 to 100 characters ended by LF, CR LF, CR or U+2028, in random order.
const std::string& mixedText()
{
   static const std::string text = [] {
      const char* breaks[] = {"\n", "\r\n", "\r", "\xE2\x80\xA8"};
      std::mt19937 generator(50);
      std::uniform_int_distribution<int> lineLength(20, 100);
      std::uniform_int_distribution<int> letter('a', 'z');
      std::uniform_int_distribution<int> lineBreak(0, 3);
      std::string result;
      result.reserve(50u << 20);
      while (result.size() < (50u << 20))
      {
         for (int i = lineLength(generator); i > 0; --i)
            result.push_back(static_cast<char>(letter(generator)));
         result += breaks[lineBreak(generator)];
      }
      return result;
   }();
   return text;
}

void convertLineEndingsTo(benchmark::State& state, string_utils::LineEnding lineEnding)
{
   const std::string& source = mixedText();
   for (auto _ : state)
   {
      std::string text = source;
      string_utils::convertLineEndings(&text, lineEnding);
      benchmark::DoNotOptimize(text.data());
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}

void BM_ConvertLineEndingsToLf(benchmark::State& state)
{
   convertLineEndingsTo(state, string_utils::LineEndingLf);
}
BENCHMARK(BM_ConvertLineEndingsToLf)->Unit(benchmark::kMillisecond);

void BM_ConvertLineEndingsToCrLf(benchmark::State& state)
{
   convertLineEndingsTo(state, string_utils::LineEndingCrLf);
}
BENCHMARK(BM_ConvertLineEndingsToCrLf)->Unit(benchmark::kMillisecond);

// The copy alone, which every conversion above includes.
void BM_CopyText(benchmark::State& state)
{
   const std::string& source = mixedText();
   for (auto _ : state)
   {
      std::string text = source;
      benchmark::DoNotOptimize(text.data());
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_CopyText)->Unit(benchmark::kMillisecond);

void BM_RegexReplaceLineBreaksToLf(benchmark::State& state)
{
   const std::string& source = mixedText();
   for (auto _ : state)
   {
      const boost::regex lineBreak("\\r?\\n|\\r|\\xE2\\x80[\\xA8\\xA9]");
      std::string text = boost::regex_replace(source, lineBreak, "\n");
      benchmark::DoNotOptimize(text.data());
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_RegexReplaceLineBreaksToLf)->Unit(benchmark::kMillisecond);

void BM_CountLineBreaks(benchmark::State& state)
{
   const std::string& source = mixedText();
   for (auto _ : state)
      benchmark::DoNotOptimize(string_utils::countLineBreaks(source));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_CountLineBreaks)->Unit(benchmark::kMillisecond);

void BM_CountLineBreaksWide(benchmark::State& state)
{
   static const std::wstring wide(mixedText().begin(), mixedText().end());
   for (auto _ : state)
      benchmark::DoNotOptimize(string_utils::countLineBreaks(wide));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * mixedText().size()));
}
BENCHMARK(BM_CountLineBreaksWide)->Unit(benchmark::kMillisecond);

// Words of ASCII with, now and then, a character of two, three or four UTF-8 bytes.
const std::string& mixedUnicodeText()
{
   static const std::string text = [] {
      const char* others[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xE6\x97\xA5", "\xF0\x9F\x98\x80"};
      std::mt19937 generator(1);
      std::uniform_int_distribution<int> wordLength(1, 10);
      std::uniform_int_distribution<int> letter('a', 'z');
      std::uniform_int_distribution<int> other(0, 15);
      std::string result;
      while (result.size() < (1u << 20))
      {
         for (int i = wordLength(generator); i > 0; --i)
            result.push_back(static_cast<char>(letter(generator)));
         const int pick = other(generator);
         result += pick < 4 ? others[pick] : " ";
      }
      return result;
   }();
   return text;
}

void utf8ToWideMixedText(benchmark::State& state)
{
   const std::string& source = mixedUnicodeText();
   for (auto _ : state)
      benchmark::DoNotOptimize(string_utils::utf8ToWide(source, std::string()));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(utf8ToWideMixedText)->Name("Utf8ToWide/Library")->Unit(benchmark::kMicrosecond);

// What one writes by hand: one pass, a code unit appended at a time, and U+FFFD for
// a byte that starts no well-formed sequence.
std::wstring decodeUtf8Plainly(const std::string& text)
{
   std::wstring wide;
   wide.reserve(text.size());
   const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
   const std::size_t length = text.size();
   const auto isTrail = [&](std::size_t i) { return i < length && (bytes[i] & 0xC0) == 0x80; };
   for (std::size_t i = 0; i < length;)
   {
      const unsigned char lead = bytes[i];
      if (lead < 0x80)
      {
         wide.push_back(lead);
         ++i;
      }
      else if (lead >= 0xC2 && lead < 0xE0 && isTrail(i + 1))
      {
         wide.push_back(static_cast<wchar_t>((lead & 0x1F) << 6 | (bytes[i + 1] & 0x3F)));
         i += 2;
      }
      else if (lead >= 0xE0 && lead < 0xF0 && isTrail(i + 1) && isTrail(i + 2))
      {
         wide.push_back(static_cast<wchar_t>((lead & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 | (bytes[i + 2] & 0x3F)));
         i += 3;
      }
      else if (lead >= 0xF0 && lead < 0xF5 && isTrail(i + 1) && isTrail(i + 2) && isTrail(i + 3))
      {
         const char32_t codePoint = (lead & 0x07) << 18 | (bytes[i + 1] & 0x3F) << 12 | (bytes[i + 2] & 0x3F) << 6 |
                                    (bytes[i + 3] & 0x3F);
         wide.push_back(static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
         wide.push_back(static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
         i += 4;
      }
      else
      {
         wide.push_back(0xFFFD);
         ++i;
      }
   }
   return wide;
}

void plainDecodingLoopMixedText(benchmark::State& state)
{
   const std::string& source = mixedUnicodeText();
   for (auto _ : state)
      benchmark::DoNotOptimize(decodeUtf8Plainly(source));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(plainDecodingLoopMixedText)->Name("Utf8ToWide/Peer:plain-loop")->Unit(benchmark::kMicrosecond);

} // namespace
