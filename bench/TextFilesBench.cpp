// TextFilesBench.cpp: key/value files of 100,000 entries written and read beside a
// plain writer and reader that keep the same rules (escapes, trimming, a flush per
// written line), and CRC-32 texts of 1 KB and 1 MB beside Boost's. Rates are in bytes
// of file or input per second.
#include <cstdio>
#include <fstream>
#include <locale>
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

// Fills the file a reading benchmark reads; false, the benchmark skipped, when it cannot.
bool writeEntries(const ScratchFile& file, benchmark::State& state)
{
   const Error error = writeStringMapToFile(file.filePath(), entries());
   if (error)
      state.SkipWithError(error.asString().c_str());
   return !error;
}

void writeStringMap(benchmark::State& state)
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
BENCHMARK(writeStringMap)->Name("KeyValueWrite/Library")->Unit(benchmark::kMillisecond);

// The value as the file holds it: backslash, double quote, CR, LF and the other
// control characters escaped as JSON escapes them.
void appendEscaped(const std::string& value, std::string& line)
{
   for (const char c : value)
   {
      switch (c)
      {
      case '\\': line += "\\\\"; break;
      case '"': line += "\\\""; break;
      case '\r': line += "\\r"; break;
      case '\n': line += "\\n"; break;
      case '\t': line += "\\t"; break;
      case '\b': line += "\\b"; break;
      case '\f': line += "\\f"; break;
      default:
         if (static_cast<unsigned char>(c) < 0x20)
         {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned>(c));
            line += escape;
         }
         else
         {
            line += c;
         }
      }
   }
}

// The same lines through an ofstream that flushes every line, as the file's writer must.
void writeWithFlushingOfstream(benchmark::State& state)
{
   const ScratchFile file;
   for (auto _ : state)
   {
      std::ofstream stream(file.native(), std::ios::binary | std::ios::trunc);
      std::string line;
      for (const auto& entry : entries())
      {
         line.assign(entry.first).append("=\"");
         appendEscaped(entry.second, line);
         line.append("\"\n");
         stream.write(line.data(), static_cast<std::streamsize>(line.size()));
         stream.flush();
      }
      if (!stream)
         state.SkipWithError("the file was not written");
   }
   state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(writeWithFlushingOfstream)->Name("KeyValueWrite/Peer:flushing-ofstream")->Unit(benchmark::kMillisecond);

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

void readStringMap(benchmark::State& state)
{
   const ScratchFile file;
   if (!writeEntries(file, state))
      return;
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
BENCHMARK(readStringMap)->Name("KeyValueRead/Library")->Unit(benchmark::kMillisecond);

// The code point of JSON's \\u escape, as UTF-8.
void appendUtf8(unsigned long codePoint, std::string& text)
{
   if (codePoint < 0x80)
   {
      text += static_cast<char>(codePoint);
      return;
   }
   if (codePoint < 0x800)
   {
      text += static_cast<char>(0xC0 | codePoint >> 6);
   }
   else
   {
      if (codePoint < 0x10000)
      {
         text += static_cast<char>(0xE0 | codePoint >> 12);
      }
      else
      {
         text += static_cast<char>(0xF0 | codePoint >> 18);
         text += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
      }
      text += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
   }
   text += static_cast<char>(0x80 | (codePoint & 0x3F));
}

// A written value's text between its quotes, unescaped.
std::string unescapeValue(const std::string& text, std::size_t begin, std::size_t end)
{
   std::string value;
   value.reserve(end - begin);
   for (std::size_t i = begin; i < end; ++i)
   {
      if (text[i] != '\\' || i + 1 == end)
      {
         value += text[i];
         continue;
      }
      const char escaped = text[++i];
      switch (escaped)
      {
      case 'b': value += '\b'; break;
      case 'f': value += '\f'; break;
      case 'n': value += '\n'; break;
      case 'r': value += '\r'; break;
      case 't': value += '\t'; break;
      case 'u':
      {
         unsigned long codePoint = std::stoul(text.substr(i + 1, 4), nullptr, 16);
         i += 4;
         if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 6 < end)
         {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (std::stoul(text.substr(i + 3, 4), nullptr, 16) - 0xDC00);
            i += 6;
         }
         appendUtf8(codePoint, value);
         break;
      }
      default: value += escaped;
      }
   }
   return value;
}

// A reader with the file's rules, written plainly: lines trimmed of the global locale's
// white space and blank ones skipped, key and value split at the first '=' and trimmed,
// a quoted value unescaped, the first occurrence of a key kept.
void readWithPlainReader(benchmark::State& state)
{
   const ScratchFile file;
   if (!writeEntries(file, state))
      return;
   for (auto _ : state)
   {
      std::map<std::string, std::string> map;
      std::ifstream stream(file.native(), std::ios::binary);
      const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
      const auto isSpace = [&](char c) { return ctype.is(std::ctype_base::space, c); };
      const auto trim = [&](const std::string& text, std::size_t begin, std::size_t end) {
         while (begin < end && isSpace(text[begin]))
            ++begin;
         while (end > begin && isSpace(text[end - 1]))
            --end;
         return std::make_pair(begin, end);
      };
      std::string line;
      while (std::getline(stream, line))
      {
         const auto whole = trim(line, 0, line.size());
         const std::size_t equals = line.find('=', whole.first);
         if (equals == std::string::npos || equals >= whole.second)
            continue;
         const auto key = trim(line, whole.first, equals);
         const auto value = trim(line, equals + 1, whole.second);
         const bool quoted =
            value.second - value.first >= 2 && line[value.first] == '"' && line[value.second - 1] == '"';
         map.emplace_hint(map.end(), line.substr(key.first, key.second - key.first),
                          quoted ? unescapeValue(line, value.first + 1, value.second - 1)
                                 : line.substr(value.first, value.second - value.first));
      }
      if (map.size() != entries().size())
         state.SkipWithError("the map did not read back whole");
      benchmark::DoNotOptimize(map);
   }
   state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(readWithPlainReader)->Name("KeyValueRead/Peer:plain-reader")->Unit(benchmark::kMillisecond);

// Reading the lines alone, without parsing or unescaping them.
void BM_ReadLinesWithIfstream(benchmark::State& state)
{
   const ScratchFile file;
   if (!writeEntries(file, state))
      return;
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
BENCHMARK(BM_Crc32Hex)->Name("Crc32/Library:hex")->Arg(1024)->Arg(1024 * 1024);

void BM_Crc32Decimal(benchmark::State& state)
{
   const std::string input = inputOf(state.range(0));
   for (auto _ : state)
      benchmark::DoNotOptimize(checksum::crc32Decimal(input));
   state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc32Decimal)->Name("Crc32/Library:decimal")->Arg(1024)->Arg(1024 * 1024);

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
BENCHMARK(BM_BoostCrc32)->Name("Crc32/Peer:boost")->Arg(1024)->Arg(1024 * 1024);

} // namespace
