// StringUtils.hpp: the library's text utilities: line endings, escaping and quoting,
// code-page conversion, Unicode letter tests and small string helpers.
//
//   std::string text = "a\r\nb\rc";
//   string_utils::convertLineEndings(&text, string_utils::LineEndingLf);   // "a\nb\nc"
//   string_utils::jsonLiteralUnescape("\"caf\\u00e9\"");                 // "café"
//
// Every function works on bytes of UTF-8 text; none changes the C runtime's or the
// process's locale, so case and multibyte conversions follow the locale the host set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <boost/optional.hpp>

namespace velorin::core {

class FilePath;

namespace string_utils {

// Held as an int: any other value leaves text as it is.
enum LineEnding : int
{
   LineEndingCrLf = 0,
   LineEndingLf = 1,
   LineEndingPlatform = 2, // CR LF, the Windows line break
   LineEndingUnchanged = 3
};

// Line breaks here are CR LF, LF, a lone CR, U+2028 and U+2029, each replaced once.
void convertLineEndings(std::string* text, LineEnding lineEnding);

// The form of the file's first line break (LF or CR LF); false when it has none, is
// missing or cannot be read. The out value is written only on success.
bool detectLineEndings(const FilePath& filePath, LineEnding* lineEnding);

// Counts LF and CR LF breaks; a lone CR, U+2028 and U+2029 are no line breaks.
std::uint64_t countLineBreaks(const std::string& text);
std::uint64_t countLineBreaks(const std::wstring& text);
std::uint64_t countLineBreaks(std::string::const_iterator begin, std::string::const_iterator end);
std::uint64_t countLineBreaks(std::wstring::const_iterator begin, std::wstring::const_iterator end);
// Returns where the last break starts (the CR of a CR LF), or end when there is none.
std::wstring::const_iterator countLineBreaks(std::wstring::const_iterator begin,
                                             std::wstring::const_iterator end,
                                             std::uint64_t* count);

// Keeps the last maxLines lines, led by the LF before them; true when text was cut.
bool trimLeadingLines(int maxLines, std::string* text);

// Appends the comment lines at the top of contents (after blank lines), each without
// the length of its prefix match and ended by LF. Throws on an invalid prefix pattern.
bool extractCommentHeader(const std::string& contents, const std::string& prefix, std::string* header);

// Replaces each character of specialChars by its entry in replacements, which must
// hold every one of them.
std::string escapeChars(std::string specialChars,
                        const std::map<char, std::string>& replacements,
                        std::string text);
std::string htmlEscape(const std::string& text, bool isAttribute);
std::string jsLiteralEscape(const std::string& text);
// Escapes backslash, double quote, CR and LF only; adds no surrounding quotes.
std::string jsonLiteralEscape(const std::string& text);
std::string singleQuoteEscape(const std::string& text);
// The value of a JSON string literal given with its quotes; on failure the failure is
// logged and the input comes back unchanged.
std::string jsonLiteralUnescape(const std::string& text);
// Decodes "&amp;" and then "&lt;", nothing else.
std::string textFromHtmlEntities(const std::string& text);
// Removes the bytes 0x00-0x08 and 0x0E-0x1F; TAB, LF, VT, FF, CR and DEL stay.
std::string filterControlChars(const std::string& text);
// Removes a leading and a trailing quote (' or "), each end on its own.
void stripQuotes(std::string* text);
// Removes one pair of matching ', " or ` quotes.
std::string stripSurroundingQuotes(const std::string& text);
// Removes a leading and a trailing backtick, each end on its own.
std::string stripSurroundingBackticks(const std::string& text);

// Text of a Windows code page (0 is the system's ANSI code page) to UTF-8; on failure
// the system error is logged and the input comes back unchanged.
std::string systemToUtf8(const std::string& text, int codePage);
std::string systemToUtf8(const std::string& text);
// UTF-8 text, up to its first NUL, to the C runtime's current multibyte encoding. A code
// unit the encoding lacks becomes "?", or "\u{hex}" when escapeInvalidChars is true.
std::string utf8ToSystem(const std::string& text, bool escapeInvalidChars);

// Letters and letter numbers of the Basic Multilingual Plane (Unicode 6.0), per
// UTF-16 code unit; isalnum adds the decimal digits.
bool isalpha(wchar_t character);
bool isalnum(wchar_t character);

// Byte by byte through the C runtime's tolower/toupper in the current C locale.
std::string toLower(const std::string& text);
std::string toUpper(const std::string& text);

bool hasPrefix(const std::string& text, const std::string& prefix);

// Whether the candidate's characters (its first length ones) occur in text in order.
bool isSubsequence(const std::string& text, const std::string& candidate);
bool isSubsequence(const std::string& text, const std::string& candidate, std::size_t length);
bool isSubsequence(const std::string& text, const std::string& candidate, bool ignoreCase);
bool isSubsequence(const std::string& text,
                   const std::string& candidate,
                   std::size_t length,
                   bool ignoreCase);

// The offsets of the query's characters found in order; characters not found are skipped.
std::vector<int> subsequenceIndices(const std::string& text, const std::string& query);
// Stops at the first character not found and returns false, keeping the offsets found.
bool subsequenceIndices(const std::string& text, const std::string& query, std::vector<int>* indices);

// False for "0" and "false" in any case, defaultValue for an empty text, true otherwise.
bool isTruthy(const std::string& text, bool defaultValue);

// Up to four dot-separated 16-bit parts packed from bit 48 down; version may be null.
bool parseVersion(const std::string& text, std::uint64_t* version);
boost::optional<unsigned short> parseUnsignedShort(const std::string& text);

// From the last dot of the whole text, dot included; empty without a dot.
std::string getExtension(const std::string& text);

// Bytes of rand() % 255, from the C runtime's generator as the host seeded it.
std::string makeRandomByteString(std::size_t length);

} // namespace string_utils
} // namespace velorin::core
