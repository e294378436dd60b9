// FileSerializer.hpp: string collections stored one element per line, and whole
// text files.
//
//   std::map<std::string, std::string> settings = {{"name", "x"}};
//   Error error = writeStringMapToFile(FilePath("C:/app/settings.conf"), settings);
//   // the file holds: name="x"
//
// Key/value files hold lines of a key, "=" and the value as a JSON string literal in
// double quotes; line-list files hold one value per line. Both are read line by line
// and written with LF line ends. Files are opened as binary streams through FilePath.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <boost/function.hpp>

#include <core/StringUtils.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core {

// What a line parser asks the reader to do with the element it filled. Any other
// value counts as ReadCollectionSkip.
enum ReadCollectionAction
{
   ReadCollectionKeep = 0, // add the element to the collection
   ReadCollectionSkip = 1, // ignore the line
   ReadCollectionStop = 2  // stop reading; the read succeeds
};

// The element a line parser fills: a key and value for a map, an item otherwise.
template <typename CollectionType>
struct CollectionElement
{
   using type = typename CollectionType::value_type;
};

template <typename Key, typename Value, typename Compare, typename Allocator>
struct CollectionElement<std::map<Key, Value, Compare, Allocator>>
{
   using type = std::pair<Key, Value>;
};

// Adds the file's elements in file order before those the collection held; a map
// keeps the first value of a key. Lines are trimmed, and blank ones skipped, when
// trimAndSkipBlank is set. Instantiated for the string map and the string vector.
template <typename CollectionType>
Error readCollectionFromFile(
   const FilePath& filePath,
   CollectionType* collection,
   const boost::function<ReadCollectionAction(const std::string& line,
                                              typename CollectionElement<CollectionType>::type* element)>&
      lineParser,
   bool trimAndSkipBlank);

// Replaces the file's contents with one line per element, each flushed on its own.
// The lines go to a fresh file beside it, which then takes its place with its
// permissions: a write that fails leaves the old contents. Through a link, the file
// the link leads to is replaced. When no file can be made in its folder, the file is
// written where it stands.
template <typename CollectionType>
Error writeCollectionToFile(
   const FilePath& filePath,
   const CollectionType& collection,
   const boost::function<std::string(const typename CollectionType::value_type& element)>& stringifier);

// One UTF-8 byte-order mark at the start of the file is skipped.
Error readStringMapFromFile(const FilePath& filePath, std::map<std::string, std::string>* map);
Error readStringVectorFromFile(const FilePath& filePath, std::vector<std::string>* vector, bool trimAndSkipBlank);
Error writeStringMapToFile(const FilePath& filePath, const std::map<std::string, std::string>& map);
Error writeStringVectorToFile(const FilePath& filePath, const std::vector<std::string>& vector);

// A key/value line: the trimmed texts around the first "=", a quoted value unescaped
// as a JSON string literal. A line without "=" is skipped.
ReadCollectionAction parseKeyValueLine(const std::string& line, std::pair<std::string, std::string>* pair);
ReadCollectionAction copyLineToString(const std::string& line, std::string* string);

// The key, "=" and the value as a JSON string literal. Besides what jsonLiteralEscape
// escapes, control characters are written as JSON escapes (\t, \b, \f, \u00XX), so
// that every value reads back as it was written.
std::string stringifyKeyValuePair(const std::pair<const std::string, std::string>& pair);
std::string stringifyItem(const std::string& item);

// The file's text with its line endings converted. When endLine is greater than
// startLine only the lines startLine to endLine (from 1) are read, the first from its
// startCharacter, the last up to its endCharacter (bytes, from 1). On failure the
// output is left as it was.
Error readStringFromFile(const FilePath& filePath,
                         std::string* text,
                         string_utils::LineEnding lineEnding = string_utils::LineEndingUnchanged,
                         int startLine = 0,
                         int endLine = 0,
                         int startCharacter = 0,
                         int endCharacter = 0);

// Replaces (truncate), as writeCollectionToFile does, or appends to the file's contents.
Error writeStringToFile(const FilePath& filePath,
                        const std::string& text,
                        string_utils::LineEnding lineEnding = string_utils::LineEndingUnchanged,
                        bool truncate = true);

// Removes a leading UTF-8, UTF-16 LE or UTF-16 BE byte-order mark; true when one was there.
bool stripByteOrderMark(std::string* text);

} // namespace velorin::core
