// TextFilesBench.cpp: key/value files of 100,000 entries written and read, and CRC-32
// texts of 1 KB and 1 MB, beside the raw dependency doing the same work. Rates are
// in bytes of file or input per second.
#include <fstream>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include <boost/crc.hpp>
#include <boost/filesystem.hpp>

#include <core/Checksum.hpp>
#include <core/FileSerializer.hpp>

using namespace velorin::core;

namespace {

constexpr int kEntries = 100000;

// Keys and values of settings-file shape, some needing escapes.
const std::map<std::string, std::string>& entries()
{
   static const std::map<std::string, std::string> map = [] {
      std::map<std::string, std::string> result;
      for (int i = 0; i < kEntries; ++i)
      {
         std::string value = "value number " + std::to_string(i);
         if (i % 10 == 0)
            value += " with \"quotes\"\tand a tab";
         result.emplace("key." + std::to_string(i), value);
      }
      return result;
   }();
   return map;
}

class ScratchFile
{
public:
   ScratchFile()
      : path_(boost::filesystem::temp_directory_path() /
              boost::filesystem::unique_path("text-files-bench-%%%%-%%%%.txt"))
   {
   }
   ~ScratchFile()
   {
      boost::system::error_code ignored;
      boost::filesystem::remove(path_, ignored);
   }
   FilePath filePath() const { return FilePath(path_.string()); }
   std::string native() const { return path_.string(); }
   std::int64_t size() const { return static_cast<std::int64_t>(boost::filesystem::file_size(path_)); }

private:
   boost::filesystem::path path_;
};

void BM_WriteStringMapToFile(benchmark::State& state)
{
   const ScratchFile file;
   for (auto _ : state)
   {
      const Error error = writeStringMapToFile(file.filePath(), entries());
      if (error)
         state.SkipWithError(error.asString().c_str());
   }
   state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_WriteStringMapToFile)->Unit(benchmark::kMillisecond);

// The same lines through an ofstream with one write at the end, to show what the
// flush of every line costs.
void BM_WriteLinesWithOfstream(benchmark::State& state)
{
   const ScratchFile file;
   for (auto _ : state)
   {
      std::ofstream stream(file.native(), std::ios::binary | std::ios::trunc);
      for (const auto& entry : entries())
         stream << stringifyKeyValuePair(entry) << '\n';
   }
   state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_WriteLinesWithOfstream)->Unit(benchmark::kMillisecond);

void BM_ReadStringMapFromFile(benchmark::State& state)
{
   const ScratchFile file;
   writeStringMapToFile(file.filePath(), entries());
   for (auto _ : state)
   {
      std::map<std::string, std::string> map;
      const Error error = readStringMapFromFile(file.filePath(), &map);
      if (error || map.size() != entries().size())
         state.SkipWithError("the map did not read back whole");
      benchmark::DoNotOptimize(map);
   }
   state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_ReadStringMapFromFile)->Unit(benchmark::kMillisecond);

// Reading the lines alone, without parsing or unescaping them.
void BM_ReadLinesWithIfstream(benchmark::State& state)
{
   const ScratchFile file;
   writeStringMapToFile(file.filePath(), entries());
   for (auto _ : state)
   {
      std::ifstream stream(file.native(), std::ios::binary);
      std::string line;
      std::size_t count = 0;
      while (std::getline(stream, line))
         ++count;
      benchmark::DoNotOptimize(count);
   }
   state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_ReadLinesWithIfstream)->Unit(benchmark::kMillisecond);

std::string inputOf(std::int64_t size)
{
   std::string input(static_cast<std::size_t>(size), '\0');
   for (std::size_t i = 0; i < input.size(); ++i)
      input[i] = static_cast<char>('a' + i % 26);
   return input;
}

void BM_Crc32Hex(benchmark::State& state)
{
   const std::string input = inputOf(state.range(0));
   for (auto _ : state)
      benchmark::DoNotOptimize(checksum::crc32Hex(input));
   state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc32Hex)->Arg(1024)->Arg(1024 * 1024);

void BM_Crc32Decimal(benchmark::State& state)
{
   const std::string input = inputOf(state.range(0));
   for (auto _ : state)
      benchmark::DoNotOptimize(checksum::crc32Decimal(input));
   state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc32Decimal)->Arg(1024)->Arg(1024 * 1024);

void BM_BoostCrc32(benchmark::State& state)
{
   const std::string input = inputOf(state.range(0));
   for (auto _ : state)
   {
      boost::crc_32_type crc;
      crc.process_bytes(input.data(), input.size());
      benchmark::DoNotOptimize(crc.checksum());
   }
   state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BoostCrc32)->Arg(1024)->Arg(1024 * 1024);

} // namespace
