// StringUtils.cpp: line endings, escaping and quoting, code pages, letter tests and
// the small string helpers of core::string_utils.
//
// Everything here works on bytes and keeps no state, except the letter tables, which
// are built once and then only read. Line-break conversion and counting run over
// whole files, so they scan the text directly; the other regular expressions are
// compiled per call, as they are off the hot paths.
#include <core/StringUtils.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <istream>
#include <memory>
#include <utility>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/replace.hpp>
#include <boost/lexical_cast.hpp>
#include <boost/regex.hpp>

#include <platform/Win32Api.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/SafeConvert.hpp>
#include <shared_core/json/Json.hpp>

#include "UnicodeLetterTables.hpp"

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

namespace {

// The characters an escaper replaces, looked up by byte.
using CharacterSet = std::array<bool, 256>;

CharacterSet characterSetOf(const std::string& characters)
{
   CharacterSet set{};
   for (const char c : characters)
      set[static_cast<unsigned char>(c)] = true;
   return set;
}

std::string escapeCharacterSet(const CharacterSet& specialChars,
                               const std::map<char, std::string>& replacements,
                               const std::string& text)
{
   const auto isSpecial = [&](char c) { return specialChars[static_cast<unsigned char>(c)]; };
   const auto first = std::find_if(text.begin(), text.end(), isSpecial);
   if (first == text.end())
      return text; // most text needs no escape

   std::string result;
   result.reserve(text.size() + text.size() / 5);
   std::size_t position = 0;
   for (auto i = static_cast<std::size_t>(first - text.begin()); i < text.size(); ++i)
   {
      if (!isSpecial(text[i]))
         continue;
      result.append(text, position, i - position);
      // A special character the map lacks is kept as it is rather than failing.
      const auto replacement = replacements.find(text[i]);
      if (replacement != replacements.end())
         result.append(replacement->second);
      else
         result.push_back(text[i]);
      position = i + 1;
   }
   result.append(text, position, std::string::npos);
   return result;
}

} // namespace

std::string escapeChars(std::string specialChars,
                        const std::map<char, std::string>& replacements,
                        std::string text)
{
   return escapeCharacterSet(characterSetOf(specialChars), replacements, text);
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

std::string filterControlChars(const std::string& text)
{
   const boost::regex controlChars("[\\0000-\\0010\\0016-\\0037]+");
   return boost::regex_replace(text, controlChars, "");
}

std::string getExtension(const std::string& text)
{
   const std::size_t dot = text.rfind('.');
   return dot == std::string::npos ? std::string() : text.substr(dot);
}

bool hasPrefix(const std::string& text, const std::string& prefix)
{
   return text.compare(0, prefix.size(), prefix) == 0;
}

namespace {

// A fixed escaping table, made once: escapes exactly the characters it has
// replacements for.
class EscapeTable
{
public:
   explicit EscapeTable(std::map<char, std::string> replacements) : replacements_(std::move(replacements))
   {
      for (const auto& replacement : replacements_)
         specialChars_[static_cast<unsigned char>(replacement.first)] = true;
   }

   std::string escape(const std::string& text) const
   {
      return escapeCharacterSet(specialChars_, replacements_, text);
   }

private:
   std::map<char, std::string> replacements_;
   CharacterSet specialChars_{};
};

} // namespace

std::string htmlEscape(const std::string& text, bool isAttribute)
{
   static const std::map<char, std::string> kReplacements = {
      {'<', "&lt;"},
      {'>', "&gt;"},
      {'&', "&amp;"},
      {'\'', "&#x27;"},
      {'"', "&quot;"},
      {'/', "&#x2F;"},
   };
   static const EscapeTable kText(kReplacements);
   static const EscapeTable kAttribute = [] {
      std::map<char, std::string> replacements = kReplacements;
      replacements['\r'] = "&#13;";
      replacements['\n'] = "&#10;";
      return EscapeTable(replacements);
   }();
   return (isAttribute ? kAttribute : kText).escape(text);
}

namespace {

// Code unit 0xFFFF, values above the BMP and negative values have no bit.
bool inTable(const unicode::CodeUnitTable& table, wchar_t character)
{
   const auto unit = static_cast<std::int64_t>(character);
   return unit >= 0 && unit < static_cast<std::int64_t>(table.size()) && table[static_cast<std::size_t>(unit)];
}

} // namespace

bool isalnum(wchar_t character)
{
   return inTable(unicode::letterOrDigitTable(), character);
}

bool isalpha(wchar_t character)
{
   return inTable(unicode::letterTable(), character);
}

bool isSubsequence(const std::string& text, const std::string& candidate)
{
   return isSubsequence(text, candidate, candidate.size(), false);
}

bool isSubsequence(const std::string& text, const std::string& candidate, std::size_t length)
{
   return isSubsequence(text, candidate, length, false);
}

bool isSubsequence(const std::string& text, const std::string& candidate, bool ignoreCase)
{
   return isSubsequence(text, candidate, candidate.size(), ignoreCase);
}

bool isSubsequence(const std::string& text,
                   const std::string& candidate,
                   std::size_t length,
                   bool ignoreCase)
{
   if (length == 0)
      return true;
   const std::size_t matchLength = std::min(length, candidate.size());
   if (text.size() < matchLength || text.empty() || matchLength == 0)
      return false;

   const std::string haystack = ignoreCase ? boost::algorithm::to_lower_copy(text) : text;
   const std::string needle = ignoreCase ? boost::algorithm::to_lower_copy(candidate) : candidate;
   std::size_t matched = 0;
   for (char byte : haystack)
   {
      if (byte == needle[matched] && ++matched == matchLength)
         return true;
   }
   return false;
}

bool isTruthy(const std::string& text, bool defaultValue)
{
   if (text.empty())
      return defaultValue;
   const std::string lower = toLower(text);
   return lower != "0" && lower != "false";
}

std::string jsLiteralEscape(const std::string& text)
{
   static const EscapeTable kTable({
      {'\\', "\\\\"},
      {'\'', "\\'"},
      {'"', "\\\""},
      {'\r', "\\r"},
      {'\n', "\\n"},
      {'<', "\\074"},
   });
   return kTable.escape(text);
}

std::string jsonLiteralEscape(const std::string& text)
{
   static const EscapeTable kTable({
      {'\\', "\\\\"},
      {'"', "\\\""},
      {'\r', "\\r"},
      {'\n', "\\n"},
   });
   return kTable.escape(text);
}

namespace {

// The value of a literal whose escapes are all of one character (no \\u), read without
// the JSON parser, as the parser would read it. False for anything else: the parser
// then decides, and reports what fails.
bool unescapeSimpleLiteral(const std::string& text, std::string* value)
{
   if (text.size() < 2 || text.front() != '"' || text.back() != '"')
      return false;
   const std::size_t end = text.size() - 1;
   const auto isPlain = [](char c) { return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20; };
   value->clear();
   value->reserve(end - 1);
   std::size_t i = 1;
   while (true)
   {
      const std::size_t runEnd = static_cast<std::size_t>(
         std::find_if_not(text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(end),
                          isPlain) -
         text.begin());
      value->append(text, i, runEnd - i);
      if (runEnd == end)
         return true;
      // A raw quote ends the literal early, a raw control character is not allowed, and
      // a backslash just before the closing quote escapes it.
      if (text[runEnd] != '\\' || runEnd + 1 == end)
         return false;
      switch (text[runEnd + 1])
      {
      case '"': value->push_back('"'); break;
      case '\\': value->push_back('\\'); break;
      case '/': value->push_back('/'); break;
      case 'b': value->push_back('\b'); break;
      case 'f': value->push_back('\f'); break;
      case 'n': value->push_back('\n'); break;
      case 'r': value->push_back('\r'); break;
      case 't': value->push_back('\t'); break;
      default: return false;
      }
      i = runEnd + 2;
   }
}

} // namespace

std::string jsonLiteralUnescape(const std::string& text)
{
   // Settings files hold literals like these by the thousand.
   std::string simple;
   if (unescapeSimpleLiteral(text, &simple))
      return simple;

   // The parser reads up to a NUL, and a NUL is never valid in JSON text, so a
   // literal holding one fails here rather than being cut.
   json::Value value;
   if (text.find('\0') != std::string::npos || value.parse(text) || !value.isString())
   {
      log::logErrorMessage("Failed to unescape JS literal", ERROR_LOCATION);
      return text;
   }
   return value.getString();
}

std::string makeRandomByteString(std::size_t length)
{
   std::string bytes(length, '\0');
   for (char& byte : bytes)
      byte = static_cast<char>(std::rand() % 255);
   return bytes;
}

boost::optional<unsigned short> parseUnsignedShort(const std::string& text)
{
   try
   {
      return safe_convert::detail::lexicalCast<unsigned short>(text);
   }
   catch (const boost::bad_lexical_cast&)
   {
      return boost::none;
   }
}

bool parseVersion(const std::string& text, std::uint64_t* version)
{
   std::uint64_t packed = 0;
   std::size_t pieceStart = 0;
   for (int part = 0; part < 4; ++part)
   {
      const std::size_t dot = text.find('.', pieceStart);
      const std::size_t pieceEnd = dot == std::string::npos ? text.size() : dot;
      const boost::optional<unsigned short> number =
         parseUnsignedShort(text.substr(pieceStart, pieceEnd - pieceStart));
      if (!number)
         return false;
      packed += static_cast<std::uint64_t>(*number) << (48 - 16 * part);
      if (dot == std::string::npos)
         break;
      pieceStart = dot + 1;
   }
   if (version != nullptr)
      *version = packed;
   return true;
}

std::string singleQuoteEscape(const std::string& text)
{
   static const EscapeTable kTable({
      {'\'', "\\'"},
      {'\\', "\\\\"},
   });
   return kTable.escape(text);
}

namespace {

bool isQuote(char character)
{
   return character == '\'' || character == '"';
}

} // namespace

void stripQuotes(std::string* text)
{
   if (!text->empty() && isQuote(text->front()))
      text->erase(0, 1);
   if (!text->empty() && isQuote(text->back()))
      text->pop_back();
}

std::string stripSurroundingBackticks(const std::string& text)
{
   if (text.size() <= 1)
      return text;
   const std::size_t begin = text.front() == '`' ? 1 : 0;
   const std::size_t end = text.back() == '`' ? text.size() - 1 : text.size();
   return text.substr(begin, end - begin);
}

std::string stripSurroundingQuotes(const std::string& text)
{
   if (text.size() >= 2 && text.front() == text.back() && (isQuote(text.front()) || text.front() == '`'))
      return text.substr(1, text.size() - 2);
   return text;
}

std::vector<int> subsequenceIndices(const std::string& text, const std::string& query)
{
   std::vector<int> indices;
   indices.reserve(query.size());
   std::size_t searchFrom = 0;
   for (char character : query)
   {
      const std::size_t found = text.find(character, searchFrom);
      if (found == std::string::npos)
         continue;
      indices.push_back(static_cast<int>(found));
      searchFrom = found + 1;
   }
   return indices;
}

bool subsequenceIndices(const std::string& text, const std::string& query, std::vector<int>* indices)
{
   indices->clear();
   indices->reserve(query.size());
   std::size_t searchFrom = 0;
   for (char character : query)
   {
      const std::size_t found = text.find(character, searchFrom);
      if (found == std::string::npos)
         return false;
      indices->push_back(static_cast<int>(found));
      searchFrom = found + 1;
   }
   return true;
}

std::string systemToUtf8(const std::string& text)
{
   return systemToUtf8(text, CP_ACP);
}

std::string systemToUtf8(const std::string& text, int codePage)
{
   if (text.empty())
      return text;

   // Code units never outnumber the bytes they come from.
   std::vector<wchar_t> wide(text.size() + 1);
   const int units = ::MultiByteToWideChar(static_cast<UINT>(codePage), 0, text.data(),
                                           static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
   if (units == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return text;
   }

   const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
   if (size == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return text;
   }
   std::string utf8(static_cast<std::size_t>(size), '\0');
   ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), size, nullptr, nullptr);
   return utf8;
}

std::string textFromHtmlEntities(const std::string& text)
{
   std::string decoded = boost::algorithm::replace_all_copy(text, "&amp;", "&");
   boost::algorithm::replace_all(decoded, "&lt;", "<");
   return decoded;
}

std::string toLower(const std::string& text)
{
   std::string lower = text;
   for (char& byte : lower)
      byte = static_cast<char>(std::tolower(static_cast<unsigned char>(byte)));
   return lower;
}

std::string toUpper(const std::string& text)
{
   std::string upper = text;
   for (char& byte : upper)
      byte = static_cast<char>(std::toupper(static_cast<unsigned char>(byte)));
   return upper;
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

namespace {

// Formatted by hand: a stream would follow the global locale's digit grouping.
std::string lowerHex(std::uint32_t value)
{
   std::string digits;
   do
   {
      digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
      value /= 16;
   } while (value != 0);
   return digits;
}

} // namespace

std::string utf8ToSystem(const std::string& text, bool escapeInvalidChars)
{
   if (text.empty())
      return text;

   std::vector<wchar_t> wide(text.size() + 1);
   const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(),
                                           static_cast<int>(wide.size()));
   if (units == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return text;
   }

   std::string result;
   char bytes[MB_LEN_MAX];
   // The count includes the terminating NUL; each surrogate half goes on its own.
   for (int i = 0; i + 1 < units; ++i)
   {
      const int size = velorin::platform::wctomb(bytes, wide[i]);
      if (size >= 0)
      {
         result.append(bytes, static_cast<std::size_t>(size));
      }
      else if (escapeInvalidChars)
      {
         result += "\\u{" + lowerHex(static_cast<std::uint32_t>(wide[i])) + "}";
      }
      else
      {
         result.push_back('?');
      }
   }
   return result;
}

} // namespace velorin::core::string_utils
