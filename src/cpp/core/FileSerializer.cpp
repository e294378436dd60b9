// FileSerializer.cpp: key/value and line-list files, whole-text reads and writes.
//
// Files are opened through FilePath as binary streams, so no byte is translated: a
// CR before an LF stays in its line, and line endings change only where a caller
// asks for a conversion.
#include <core/FileSerializer.hpp>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <istream>
#include <iterator>
#include <locale>
#include <memory>
#include <ostream>
#include <sstream>
#include <string_view>

#include <boost/filesystem/operations.hpp>
#include <boost/iostreams/copy.hpp>

#include <platform/Win32Api.hpp>
#include <shared_core/Logger.hpp>

#include "ByteOrderMark.hpp"

namespace velorin::core {
namespace {

constexpr std::streamsize kCopyBufferSize = 4096;

// A standard exception of a read or write, with what it said and the file.
Error exceptionError(const std::exception& e, const FilePath& filePath, const ErrorLocation& location)
{
   Error error = systemError(5, location);
   error.addProperty("what", e.what());
   error.addProperty("path", filePath);
   return error;
}

// Trims what the global locale classifies as space, as boost::algorithm::trim does,
// but looks the locale's facet up once rather than for every character.
class SpaceTrimmer
{
public:
   explicit SpaceTrimmer(const std::locale& locale)
      : locale_(locale), ctype_(std::use_facet<std::ctype<char>>(locale_))
   {
   }

   // The trimmer of the current global locale. Each thread keeps the last one it made,
   // since making a locale's trimmer costs more than trimming a line; once the thread's
   // objects are being destroyed (a read from a destructor at exit), every call makes one.
   static std::shared_ptr<const SpaceTrimmer> forGlobalLocale()
   {
      thread_local bool t_keptIsGone = false;
      struct Kept
      {
         ~Kept() { t_keptIsGone = true; }
         std::shared_ptr<const SpaceTrimmer> trimmer;
      };
      thread_local Kept t_kept;

      const std::locale global;
      if (t_keptIsGone)
         return std::make_shared<const SpaceTrimmer>(global);
      if (!t_kept.trimmer || !(t_kept.trimmer->locale_ == global))
         t_kept.trimmer = std::make_shared<const SpaceTrimmer>(global);
      return t_kept.trimmer;
   }

   // Moves begin and end inwards past the space at either end of text's range.
   void narrow(const std::string& text, std::size_t* begin, std::size_t* end) const
   {
      while (*begin < *end && isSpace(text[*begin]))
         ++*begin;
      while (*end > *begin && isSpace(text[*end - 1]))
         --*end;
   }

   // The same in place, which keeps the text's buffer for the next line.
   void trim(std::string& text) const
   {
      std::size_t begin = 0;
      std::size_t end = text.size();
      narrow(text, &begin, &end);
      text.erase(end);
      text.erase(0, begin);
   }

private:
   bool isSpace(char c) const { return ctype_.is(std::ctype_base::space, c); }

   const std::locale locale_;
   const std::ctype<char>& ctype_;
};

// Puts the elements read ahead of those the collection held, in file order. A map
// places each by its key, so the first occurrence of a key wins.
template <typename CollectionType>
class FrontInserter
{
public:
   explicit FrontInserter(CollectionType* collection) : collection_(collection), position_(collection->begin()) {}

   void insert(typename CollectionElement<CollectionType>::type&& element)
   {
      const auto inserted = collection_->insert(position_, std::move(element));
      // A sorted file read into a map appends every key, and the position stays at the
      // end: stepping past the last element would climb the tree for every line.
      if (position_ != collection_->end() || inserted != std::prev(position_))
         position_ = std::next(inserted);
   }

private:
   CollectionType* collection_;
   typename CollectionType::iterator position_;
};

// Inserting each line at the front would move every held element once per line: the
// lines go to the end and are rotated to the front once, on every way out of the read.
template <typename Element, typename Allocator>
class FrontInserter<std::vector<Element, Allocator>>
{
public:
   explicit FrontInserter(std::vector<Element, Allocator>* vector) : vector_(vector), held_(vector->size()) {}
   FrontInserter(const FrontInserter&) = delete;
   FrontInserter& operator=(const FrontInserter&) = delete;
   ~FrontInserter() { std::rotate(vector_->begin(), vector_->begin() + held_, vector_->end()); }

   void insert(Element&& element) { vector_->push_back(std::move(element)); }

private:
   std::vector<Element, Allocator>* vector_;
   const std::size_t held_;
};

} // namespace

ReadCollectionAction copyLineToString(const std::string& line, std::string* string)
{
   *string = line;
   return ReadCollectionKeep;
}

ReadCollectionAction parseKeyValueLine(const std::string& line, std::pair<std::string, std::string>* pair)
{
   const std::size_t equals = line.find('=');
   if (equals == std::string::npos)
      return ReadCollectionSkip;

   const std::shared_ptr<const SpaceTrimmer> trimmer = SpaceTrimmer::forGlobalLocale();
   std::size_t keyBegin = 0;
   std::size_t keyEnd = equals;
   trimmer->narrow(line, &keyBegin, &keyEnd);
   std::size_t valueBegin = equals + 1;
   std::size_t valueEnd = line.size();
   trimmer->narrow(line, &valueBegin, &valueEnd);

   pair->first.assign(line, keyBegin, keyEnd - keyBegin);
   const bool quoted = valueEnd - valueBegin >= 2 && line[valueBegin] == '"' && line[valueEnd - 1] == '"';
   const auto needsUnescaping = [](char c) {
      return c == '\\' || c == '"' || static_cast<unsigned char>(c) < 0x20;
   };
   if (!quoted)
      pair->second.assign(line, valueBegin, valueEnd - valueBegin);
   else if (std::none_of(line.begin() + static_cast<std::ptrdiff_t>(valueBegin + 1),
                         line.begin() + static_cast<std::ptrdiff_t>(valueEnd - 1), needsUnescaping))
      pair->second.assign(line, valueBegin + 1, valueEnd - valueBegin - 2); // what the literal's parse gives
   else
      pair->second = string_utils::jsonLiteralUnescape(line.substr(valueBegin, valueEnd - valueBegin));
   return ReadCollectionKeep;
}

namespace {

template <typename CollectionType>
using LineParser = boost::function<ReadCollectionAction(const std::string& line,
                                                        typename CollectionElement<CollectionType>::type* element)>;

// Key/value files skip a byte-order mark before their first line, which would
// otherwise become part of the first key; a line list keeps every byte of its lines.
template <typename CollectionType>
Error readCollection(const FilePath& filePath,
                     CollectionType* collection,
                     const LineParser<CollectionType>& lineParser,
                     bool trimAndSkipBlank,
                     bool skipMark,
                     const ErrorLocation& location)
{
   std::shared_ptr<std::istream> stream;
   Error error = filePath.openForRead(stream);
   if (error)
      return error;

   try
   {
      if (skipMark)
         skipByteOrderMark(*stream);
      FrontInserter<CollectionType> inserter(collection);
      const SpaceTrimmer trimmer{std::locale()};
      std::string line;
      while (true)
      {
         std::getline(*stream, line);
         if (stream->eof() && line.empty())
            break;
         if (stream->bad() || (stream->fail() && !stream->eof()))
            return systemError(5, location);

         if (trimAndSkipBlank)
         {
            trimmer.trim(line);
            if (line.empty())
               continue;
         }

         typename CollectionElement<CollectionType>::type element;
         const ReadCollectionAction action = lineParser(line, &element);
         if (action == ReadCollectionKeep)
            inserter.insert(std::move(element));
         else if (action == ReadCollectionStop)
            break;

         if (stream->eof())
            break;
      }
      return Success();
   }
   catch (const std::exception& e)
   {
      return exceptionError(e, filePath, location);
   }
}

} // namespace

template <typename CollectionType>
Error readCollectionFromFile(
   const FilePath& filePath,
   CollectionType* collection,
   const boost::function<ReadCollectionAction(const std::string& line,
                                              typename CollectionElement<CollectionType>::type* element)>&
      lineParser,
   bool trimAndSkipBlank)
{
   return readCollection(filePath, collection, lineParser, trimAndSkipBlank, false, ERROR_LOCATION);
}

Error readStringFromFile(const FilePath& filePath,
                         std::string* text,
                         string_utils::LineEnding lineEnding,
                         int startLine,
                         int endLine,
                         int startCharacter,
                         int endCharacter)
{
   std::shared_ptr<std::istream> stream;
   Error error = filePath.openForRead(stream);
   if (error)
      return error;

   try
   {
      if (startLine < endLine)
      {
         // The end of the file ends the window quietly; only a lost stream throws.
         stream->exceptions(std::istream::badbit);
         std::string window;
         std::string line;
         for (int i = 1; i <= endLine && !stream->eof(); ++i)
         {
            std::getline(*stream, line);
            if (i < startLine)
               continue;

            // 64-bit arithmetic, so that extreme character numbers cannot overflow.
            const std::int64_t length = static_cast<std::int64_t>(line.size());
            const std::int64_t start =
               i == startLine ? std::min(std::max(std::int64_t(startCharacter) - 1, std::int64_t(0)), length) : 0;
            const std::int64_t count = i == endLine ? std::min(length, std::int64_t(endCharacter)) : length;
            window.append(line, static_cast<std::size_t>(start),
                          count < 0 ? std::string::npos : static_cast<std::size_t>(count));
            if (i != endLine)
               window += '\n';
         }
         *text = std::move(window);
      }
      else
      {
         stream->exceptions(std::istream::failbit | std::istream::badbit);
         std::ostringstream contents;
         boost::iostreams::copy(*stream, contents, kCopyBufferSize);
         *text = contents.str();
      }

      string_utils::convertLineEndings(text, lineEnding);
      return Success();
   }
   catch (const std::exception& e)
   {
      return exceptionError(e, filePath, ERROR_LOCATION);
   }
}

Error readStringMapFromFile(const FilePath& filePath, std::map<std::string, std::string>* map)
{
   using StringMap = std::map<std::string, std::string>;
   return readCollection<StringMap>(filePath, map, parseKeyValueLine, true, true, ERROR_LOCATION);
}

Error readStringVectorFromFile(const FilePath& filePath, std::vector<std::string>* vector, bool trimAndSkipBlank)
{
   return readCollectionFromFile<std::vector<std::string>>(filePath, vector, copyLineToString, trimAndSkipBlank);
}

std::string stringifyItem(const std::string& item)
{
   return item;
}

namespace {

// JSON's escapes for the control characters that jsonLiteralEscape passes through;
// the reader's JSON parse rejects them raw, and would keep the value quoted.
std::string escapeControlCharacters(std::string escaped)
{
   static const char kHexDigits[] = "0123456789abcdef";

   const auto isControl = [](char c) { return static_cast<unsigned char>(c) < 0x20; };
   if (std::none_of(escaped.begin(), escaped.end(), isControl))
      return escaped;

   std::string result;
   result.reserve(escaped.size() + 8);
   for (const char c : escaped)
   {
      if (!isControl(c))
      {
         result += c;
         continue;
      }
      switch (c)
      {
      case '\t':
         result += "\\t";
         break;
      case '\b':
         result += "\\b";
         break;
      case '\f':
         result += "\\f";
         break;
      default:
         result += "\\u00";
         result += kHexDigits[static_cast<unsigned char>(c) >> 4];
         result += kHexDigits[static_cast<unsigned char>(c) & 0xF];
      }
   }
   return result;
}

} // namespace

std::string stringifyKeyValuePair(const std::pair<const std::string, std::string>& pair)
{
   const std::string value = escapeControlCharacters(string_utils::jsonLiteralEscape(pair.second));
   std::string line;
   line.reserve(pair.first.size() + value.size() + 3);
   line.append(pair.first).append("=\"").append(value).push_back('"');
   return line;
}

bool stripByteOrderMark(std::string* text)
{
   static constexpr std::string_view kMarks[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
   for (const std::string_view mark : kMarks)
   {
      if (text->compare(0, mark.size(), mark) == 0)
      {
         text->erase(0, mark.size());
         return true;
      }
   }
   return false;
}

namespace {

// Writes a file's new contents to the stream; errors name the file, not the stream.
using ContentWriter = std::function<Error(std::ostream& stream)>;

// As many links as Windows follows before it gives up on a path.
constexpr int kMaxLinkHops = 63;

// The entry Windows would act on, in generic form, through the layer: "a/link/../f.txt"
// names a/f.txt, whatever the link leads to.
boost::filesystem::path fsPath(const FilePath& path)
{
   return platform::boostPathOfEntry(path.getAbsolutePathW());
}

// The file that a write through the path changes: the end of its chain of links, which
// need not exist. The entry itself is asked for, so a link that leads nowhere counts.
FilePath finalLinkTarget(const FilePath& filePath)
{
   boost::filesystem::path target = fsPath(filePath);
   boost::system::error_code ec;
   for (int hop = 0; hop < kMaxLinkHops && boost::filesystem::is_symlink(boost::filesystem::symlink_status(target, ec));
        ++hop)
   {
      const boost::filesystem::path stored = boost::filesystem::read_symlink(target, ec);
      if (ec)
         break;
      target = stored.is_absolute() ? stored : target.parent_path() / stored;
   }
   return FilePath(platform::wideFromBoostPath(target));
}

// True unless the path is known to name no entry: a link counts, whether or not it leads anywhere.
bool hasEntry(const FilePath& path)
{
   boost::system::error_code ec;
   return boost::filesystem::symlink_status(fsPath(path), ec).type() != boost::filesystem::file_not_found;
}

Error copyPermissions(const FilePath& from, const FilePath& to)
{
   boost::system::error_code ec;
   const boost::filesystem::file_status status = boost::filesystem::status(fsPath(from), ec);
   if (!ec)
      boost::filesystem::permissions(fsPath(to), status.permissions(), ec);
   if (!ec)
      return Success();
   Error error = systemError(static_cast<int>(platform::win32ErrorFromNative(ec.value())), ERROR_LOCATION);
   error.addProperty("path", to);
   return error;
}

Error writeInPlace(const FilePath& filePath, bool truncate, const ContentWriter& writeContents)
{
   std::shared_ptr<std::ostream> stream;
   Error error = filePath.openForWrite(stream, truncate);
   if (error)
      return error;
   return writeContents(*stream);
}

// The new contents go to a fresh file beside the target, which then replaces it: a
// write that fails half-way (a full disk) leaves the old contents. Through a link, the
// file it leads to is replaced and the link stays.
Error replaceContents(const FilePath& filePath, const ContentWriter& writeContents)
{
   const FilePath target = finalLinkTarget(filePath);
   const bool targetExists = hasEntry(target);
   if (targetExists)
   {
      // Opening to append changes nothing, and refuses what a write in place could not
      // write, with the same error.
      std::shared_ptr<std::ostream> probe;
      Error error = filePath.openForWrite(probe, false);
      if (error)
         return error;
   }

   FilePath temporary;
   std::shared_ptr<std::ostream> stream;
   if (FilePath::uniqueFilePath(target.getParent().getAbsolutePath(), ".tmp", temporary) ||
       temporary.openForWrite(stream, true))
   {
      // No file can be made beside it (a read-only folder): the target is written as it stands.
      return writeInPlace(filePath, true, writeContents);
   }

   // Before the contents arrive, so that what the target kept from others stays kept.
   Error error;
   if (targetExists)
      error = copyPermissions(target, temporary);
   if (!error)
      error = writeContents(*stream);
   stream.reset();
   if (!error)
      error = temporary.move(target, FilePath::MoveDirect);
   if (error)
   {
      Error removeError = temporary.removeIfExists();
      if (removeError)
         log::logError(removeError);
   }
   return error;
}

} // namespace

template <typename CollectionType>
Error writeCollectionToFile(
   const FilePath& filePath,
   const CollectionType& collection,
   const boost::function<std::string(const typename CollectionType::value_type& element)>& stringifier)
{
   return replaceContents(filePath, [&](std::ostream& stream) -> Error {
      try
      {
         for (const auto& element : collection)
         {
            stream << stringifier(element) << '\n';
            stream.flush();
            if (stream.fail() || stream.bad())
               return systemError(5, ERROR_LOCATION);
         }
         return Success();
      }
      catch (const std::exception& e)
      {
         return exceptionError(e, filePath, ERROR_LOCATION);
      }
   });
}

Error writeStringMapToFile(const FilePath& filePath, const std::map<std::string, std::string>& map)
{
   return writeCollectionToFile<std::map<std::string, std::string>>(filePath, map, stringifyKeyValuePair);
}

Error writeStringToFile(const FilePath& filePath,
                        const std::string& text,
                        string_utils::LineEnding lineEnding,
                        bool truncate)
{
   const ContentWriter writeText = [&](std::ostream& stream) -> Error {
      try
      {
         stream.exceptions(std::ostream::failbit | std::ostream::badbit);
         std::string converted = text;
         string_utils::convertLineEndings(&converted, lineEnding);

         std::istringstream contents(converted);
         boost::iostreams::copy(contents, stream, kCopyBufferSize);
         // Flushed here, not when the stream is released, so a failed write is reported.
         stream.flush();
         return Success();
      }
      catch (const std::exception& e)
      {
         return exceptionError(e, filePath, ERROR_LOCATION);
      }
   };
   // Appending adds to the file where it stands.
   return truncate ? replaceContents(filePath, writeText) : writeInPlace(filePath, false, writeText);
}

Error writeStringVectorToFile(const FilePath& filePath, const std::vector<std::string>& vector)
{
   return writeCollectionToFile<std::vector<std::string>>(filePath, vector, stringifyItem);
}

template Error readCollectionFromFile<std::map<std::string, std::string>>(
   const FilePath&,
   std::map<std::string, std::string>*,
   const boost::function<ReadCollectionAction(const std::string&, std::pair<std::string, std::string>*)>&,
   bool);
template Error readCollectionFromFile<std::vector<std::string>>(
   const FilePath&,
   std::vector<std::string>*,
   const boost::function<ReadCollectionAction(const std::string&, std::string*)>&,
   bool);
template Error writeCollectionToFile<std::map<std::string, std::string>>(
   const FilePath&,
   const std::map<std::string, std::string>&,
   const boost::function<std::string(const std::pair<const std::string, std::string>&)>&);
template Error writeCollectionToFile<std::vector<std::string>>(
   const FilePath&,
   const std::vector<std::string>&,
   const boost::function<std::string(const std::string&)>&);

} // namespace velorin::core
