// KeyValueFuzzer.cpp: the key/value line parser with its JSON unescaping, and the
// promise that any value written to a key/value file reads back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include <core/FileSerializer.hpp>

using namespace velorin::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);

   // The input as a line of a file: any line parses.
   std::pair<std::string, std::string> parsed;
   parseKeyValueLine(input, &parsed);

   // The input as a value: its line holds no line break and reads back unchanged.
   const std::string line = stringifyKeyValuePair({"key", input});
   if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos)
      std::abort();
   std::pair<std::string, std::string> readBack;
   if (parseKeyValueLine(line, &readBack) != ReadCollectionKeep || readBack.first != "key" ||
       readBack.second != input)
      std::abort();
   return 0;
}
