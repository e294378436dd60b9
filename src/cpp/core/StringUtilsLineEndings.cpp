// StringUtilsLineEndings.cpp: converting, counting and cutting line breaks, a file's
// first line break, and comment headers.
//
// Conversion and counting run over whole files, so they scan the text directly
// instead of through regular expressions.
#include <core/StringUtils.hpp>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <exception>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include <boost/regex.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::string_utils {

namespace {

// The first byte at or after text that can start a line break (CR, LF or the lead
// byte of U+2028/U+2029), or end. Blocks of sixteen bytes without one are skipped
// whole; the block that holds one is searched byte by byte.
const char* findLineBreakStart(const char* text, const char* end)
{
#if defined(__SSE2__) || defined(_M_X64)
   const __m128i lf = _mm_set1_epi8('\n');
   const __m128i cr = _mm_set1_epi8('\r');
   const __m128i separatorLead = _mm_set1_epi8(static_cast<char>(0xE2));
   while (end - text >= 16)
   {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
      const __m128i found = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr)),
                                         _mm_cmpeq_epi8(block, separatorLead));
      if (_mm_movemask_epi8(found) != 0)
         break;
      text += 16;
   }
#endif
   while (text != end && *text != '\n' && *text != '\r' && static_cast<unsigned char>(*text) != 0xE2)
      ++text;
   return text;
}

// The length of the line break (CR LF, LF, lone CR, U+2028 or U+2029 in UTF-8) that
// starts at text, or 0. CR LF wins over a lone CR, so it is one break.
std::size_t lineBreakLengthAt(const char* text, const char* end)
{
   const auto byte = static_cast<unsigned char>(*text);
   if (byte == '\n')
      return 1;
   if (byte == '\r')
      return text + 1 < end && text[1] == '\n' ? 2 : 1;
   if (byte == 0xE2 && end - text >= 3 && static_cast<unsigned char>(text[1]) == 0x80)
   {
      const auto last = static_cast<unsigned char>(text[2]);
      if (last == 0xA8 || last == 0xA9)
         return 3;
   }
   return 0;
}

// Calls onBreak(position, length) for every line break, left to right.
template <typename OnBreak>
void forEachLineBreak(const char* begin, const char* end, OnBreak onBreak)
{
   for (const char* position = findLineBreakStart(begin, end); position != end;
        position = findLineBreakStart(position, end))
   {
      const std::size_t breakLength = lineBreakLengthAt(position, end);
      if (breakLength == 0)
      {
         ++position;
         continue;
      }
      onBreak(position, breakLength);
      position += breakLength;
   }
}

// Every break becomes LF, which is never longer, so the text is rewritten in place.
void convertToLf(std::string* text)
{
   char* const begin = text->data();
   const char* const end = begin + text->size();
   char* out = begin;
   const char* copiedUpTo = begin;
   forEachLineBreak(begin, end, [&](const char* position, std::size_t breakLength) {
      if (breakLength == 1 && *position == '\n')
         return;
      const auto span = static_cast<std::size_t>(position - copiedUpTo);
      if (out != copiedUpTo)
         std::memmove(out, copiedUpTo, span);
      out += span;
      *out++ = '\n';
      copiedUpTo = position + breakLength;
   });
   if (copiedUpTo == begin)
      return;
   const auto tail = static_cast<std::size_t>(end - copiedUpTo);
   std::memmove(out, copiedUpTo, tail);
   text->resize(static_cast<std::size_t>(out - begin) + tail);
}

// Every break becomes CR LF: one pass sizes the result, a second fills it.
void convertToCrLf(std::string* text)
{
   const char* const begin = text->data();
   const char* const end = begin + text->size();
   std::size_t size = text->size();
   bool changes = false;
   forEachLineBreak(begin, end, [&](const char*, std::size_t breakLength) {
      if (breakLength != 2)
      {
         size = size + 2 - breakLength;
         changes = true;
      }
   });
   if (!changes)
      return;

   std::string result(size, '\0');
   char* out = result.data();
   const char* copiedUpTo = begin;
   forEachLineBreak(begin, end, [&](const char* position, std::size_t breakLength) {
      if (breakLength == 2)
         return;
      const auto span = static_cast<std::size_t>(position - copiedUpTo);
      std::memcpy(out, copiedUpTo, span);
      out += span;
      *out++ = '\r';
      *out++ = '\n';
      copiedUpTo = position + breakLength;
   });
   std::memcpy(out, copiedUpTo, static_cast<std::size_t>(end - copiedUpTo));
   text->swap(result);
}

} // namespace

void convertLineEndings(std::string* text, LineEnding lineEnding)
{
   switch (lineEnding)
   {
      case LineEndingCrLf:
      case LineEndingPlatform:
         convertToCrLf(text);
         return;
      case LineEndingLf:
         convertToLf(text);
         return;
      default:
         return;
   }
}

namespace {

// The C library's searches are vectorised; a null result means none.
const char* findLf(const char* begin, const char* end)
{
   return static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
}

const wchar_t* findLf(const wchar_t* begin, const wchar_t* end)
{
   return std::wmemchr(begin, L'\n', static_cast<std::size_t>(end - begin));
}

// The one counting routine behind every countLineBreaks: a break is an LF, taken
// together with a CR right before it, so the count is the number of LFs.
template <typename Char>
const Char* countBreaks(const Char* begin, const Char* end, std::uint64_t* count)
{
   std::uint64_t breaks = 0;
   const Char* lastLf = nullptr;
   for (const Char* lf = findLf(begin, end); lf != nullptr; lf = findLf(lf + 1, end))
   {
      ++breaks;
      lastLf = lf;
   }
   *count = breaks;
   if (lastLf == nullptr)
      return end;
   return lastLf != begin && lastLf[-1] == Char('\r') ? lastLf - 1 : lastLf;
}

template <typename Iterator>
Iterator countBreaksInRange(Iterator begin, Iterator end, std::uint64_t* count)
{
   *count = 0;
   if (begin == end)
      return end;
   const auto* first = &*begin;
   const auto* last = first + (end - begin);
   return begin + (countBreaks(first, last, count) - first);
}

} // namespace

std::uint64_t countLineBreaks(const std::string& text)
{
   return countLineBreaks(text.begin(), text.end());
}

std::uint64_t countLineBreaks(const std::wstring& text)
{
   return countLineBreaks(text.begin(), text.end());
}

std::uint64_t countLineBreaks(std::string::const_iterator begin, std::string::const_iterator end)
{
   std::uint64_t count = 0;
   countBreaksInRange(begin, end, &count);
   return count;
}

std::uint64_t countLineBreaks(std::wstring::const_iterator begin, std::wstring::const_iterator end)
{
   std::uint64_t count = 0;
   countBreaksInRange(begin, end, &count);
   return count;
}

std::wstring::const_iterator countLineBreaks(std::wstring::const_iterator begin,
                                             std::wstring::const_iterator end,
                                             std::uint64_t* count)
{
   return countBreaksInRange(begin, end, count);
}

bool detectLineEndings(const FilePath& filePath, LineEnding* lineEnding)
{
   try
   {
      if (!filePath.exists())
         return false;

      std::shared_ptr<std::istream> stream;
      const Error error = filePath.openForRead(stream);
      if (error)
      {
         log::logError(error, ERROR_LOCATION);
         return false;
      }

      // Only the first line break decides. Read through the stream, not its buffer:
      // the buffer throws on a failed read, which the stream turns into a bad state.
      for (;;)
      {
         const int character = stream->get();
         if (character == '\n')
         {
            *lineEnding = LineEndingLf;
            return true;
         }
         if (character == '\r' && stream->peek() == '\n')
         {
            *lineEnding = LineEndingCrLf;
            return true;
         }
         if (stream->bad())
         {
            log::logWarningMessage("I/O Error reading file " + filePath.getAbsolutePath(), ERROR_LOCATION);
            return false;
         }
         if (character == std::char_traits<char>::eof())
            return false;
      }
   }
   catch (const std::exception& e)
   {
      log::logErrorMessage(std::string("Unexpected exception: ") + e.what(), ERROR_LOCATION);
   }
   catch (...)
   {
      log::logErrorMessage("Unknown exception", ERROR_LOCATION);
   }
   return false;
}

bool extractCommentHeader(const std::string& contents, const std::string& prefix, std::string* header)
{
   const boost::regex lineBreak("(?:\\r?\\n|$)");
   std::vector<std::string> lines(
      boost::sregex_token_iterator(contents.begin(), contents.end(), lineBreak, -1),
      boost::sregex_token_iterator());

   const boost::regex blankLine("^\\s*$");
   auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& candidate) {
      return !boost::regex_match(candidate, blankLine);
   });
   if (line == lines.end())
      return false;

   const boost::regex prefixPattern(prefix);
   boost::smatch match;
   if (!boost::regex_search(*line, match, prefixPattern))
      return false;

   // The length of the match is cut from the line's start, wherever the match lies.
   do
   {
      header->append(*line, static_cast<std::size_t>(match.length(0)), std::string::npos);
      header->push_back('\n');
      ++line;
   } while (line != lines.end() && boost::regex_search(*line, match, prefixPattern));
   return true;
}

bool trimLeadingLines(int maxLines, std::string* text)
{
   if (static_cast<std::uint32_t>(2u * static_cast<std::uint32_t>(maxLines)) >= text->size())
      return false;

   std::int64_t lineFeeds = 0;
   for (std::size_t position = text->size(); position-- > 0;)
   {
      if ((*text)[position] == '\n' && ++lineFeeds > maxLines)
      {
         text->erase(0, position);
         return true;
      }
   }
   return false;
}

} // namespace velorin::core::string_utils
