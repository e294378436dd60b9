// StringUtilsBench.cpp: line-break conversion and counting over a 50 MB text with
// mixed breaks, beside the line-break regular expression they replace.
#include <core/StringUtils.hpp>

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

} // namespace
