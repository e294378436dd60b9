// FileSerializerTest.cpp: key/value and line-list files, whole-text and windowed
// reads, writes and byte-order marks, checked byte for byte on real files.
#include <core/FileSerializer.hpp>

#include <algorithm>
#include <climits>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <CapturingLogDestination.hpp>
#include <FifoGuard.hpp>
#include <ScratchFolder.hpp>
#include <UnderWine.hpp>

namespace velorin::core {
namespace {

using StringMap = std::map<std::string, std::string>;
using StringVector = std::vector<std::string>;

class FileSerializerTest : public ::testing::Test
{
protected:
   FilePath file(const std::string& name) const { return FilePath((folder_ / name).string()); }

   FilePath fileWith(const std::string& name, const std::string& bytes) const
   {
      std::ofstream stream((folder_ / name).string(), std::ios::binary);
      stream << bytes;
      return file(name);
   }

   std::string bytesOf(const FilePath& path) const
   {
      std::ifstream stream(path.getAbsolutePath(), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
   }

   // The names in the scratch folder, sorted.
   std::vector<std::string> names() const
   {
      std::vector<std::string> names;
      for (const auto& entry : boost::filesystem::directory_iterator(folder_))
         names.push_back(entry.path().filename().string());
      std::sort(names.begin(), names.end());
      return names;
   }

   const testing::ScratchFolder folder_{"serializer-%%%%-%%%%"};
};

// The writers that replace a file's contents, each with the bytes it writes.
struct ReplacingWriter
{
   std::string name;
   std::function<Error(const FilePath&)> write;
   std::string written;
};

const std::vector<ReplacingWriter>& replacingWriters()
{
   static const std::vector<ReplacingWriter> writers = {
      {"map", [](const FilePath& path) { return writeStringMapToFile(path, StringMap{{"k", "new"}}); }, "k=\"new\"\n"},
      {"vector", [](const FilePath& path) { return writeStringVectorToFile(path, StringVector{"new"}); }, "new\n"},
      {"text", [](const FilePath& path) { return writeStringToFile(path, "new"); }, "new"},
   };
   return writers;
}

// ----- Key/value files ----------------------------------------------------------

TEST_F(FileSerializerTest, WriteStringMapWritesSortedQuotedLines)
{
   const FilePath path = file("map.txt");
   ASSERT_FALSE(writeStringMapToFile(path, StringMap{{"b", "x"}, {"a", "\"hi\""}}));
   EXPECT_EQ("a=\"\\\"hi\\\"\"\nb=\"x\"\n", bytesOf(path));

   // The old contents are replaced.
   ASSERT_FALSE(writeStringMapToFile(path, StringMap{{"c", ""}}));
   EXPECT_EQ("c=\"\"\n", bytesOf(path));
}

TEST_F(FileSerializerTest, StringifyKeyValuePairEscapesAsJson)
{
   const struct
   {
      std::string value;
      std::string written;
   } cases[] = {
      {"plain", "k=\"plain\""},
      {"back\\slash \"quoted\"", "k=\"back\\\\slash \\\"quoted\\\"\""},
      {"cr\rlf\n", "k=\"cr\\rlf\\n\""},
      {"a\tb", "k=\"a\\tb\""},
      {"\b\f", "k=\"\\b\\f\""},
      {std::string("\0\x01\x1f", 3), "k=\"\\u0000\\u0001\\u001f\""},
      {"\x0b\x1b", "k=\"\\u000b\\u001b\""},
      // Neither DEL nor UTF-8 needs escaping.
      {"\x7f caf\xC3\xA9", "k=\"\x7f caf\xC3\xA9\""},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.written, stringifyKeyValuePair({"k", c.value})) << c.written;
}

TEST_F(FileSerializerTest, ControlCharactersSurviveTenSaveAndLoadCycles)
{
   const FilePath path = file("cycles.txt");
   const StringMap original = {
      {"tab", "col1\tcol2"},
      {"controls", std::string("\b\f\x01\x1f\0end", 9)},
      {"mixed", " \"q\" \\ \r\n\t "},
   };

   StringMap map = original;
   std::string firstBytes;
   for (int cycle = 0; cycle < 10; ++cycle)
   {
      ASSERT_FALSE(writeStringMapToFile(path, map)) << cycle;
      if (cycle == 0)
         firstBytes = bytesOf(path);
      EXPECT_EQ(firstBytes, bytesOf(path)) << cycle;

      map.clear();
      ASSERT_FALSE(readStringMapFromFile(path, &map)) << cycle;
      ASSERT_EQ(original, map) << cycle;
   }
}

TEST_F(FileSerializerTest, ReadStringMapSkipsBlankAndEqualsLessLinesAndKeepsTheFirstKey)
{
   const FilePath path = fileWith("map.txt", "\n   \nno equals here\na = 1\na=\"2\"\n");
   StringMap map;
   ASSERT_FALSE(readStringMapFromFile(path, &map));
   EXPECT_EQ((StringMap{{"a", "1"}}), map);
}

TEST_F(FileSerializerTest, ReadStringMapKeepsEntriesAlreadyPresent)
{
   const FilePath path = fileWith("map.txt", "a=\"from file\"\nb=\"new\"\n");
   StringMap map = {{"a", "before"}};
   ASSERT_FALSE(readStringMapFromFile(path, &map));
   EXPECT_EQ((StringMap{{"a", "before"}, {"b", "new"}}), map);
}

TEST_F(FileSerializerTest, ParseKeyValueLine)
{
   const struct
   {
      std::string line;
      ReadCollectionAction action;
      std::string key;
      std::string value;
   } cases[] = {
      {"k=\"x\\ny\"", ReadCollectionKeep, "k", "x\ny"},
      {"k=\"\"", ReadCollectionKeep, "k", ""},
      {"k=\"", ReadCollectionKeep, "k", "\""},
      {" k =  \"spaced out\"  ", ReadCollectionKeep, "k", "spaced out"},
      {"\t\v\fk\t=\t1 \r", ReadCollectionKeep, "k", "1"},
      {"k= \" inner \" ", ReadCollectionKeep, "k", " inner "},
      {"k=\"caf\\u00e9 \\t\\/\"", ReadCollectionKeep, "k", "caf\xC3\xA9 \t/"},
      {"k=a=b", ReadCollectionKeep, "k", "a=b"},
      {"=value", ReadCollectionKeep, "", "value"},
      {"k=", ReadCollectionKeep, "k", ""},
      {"no equals", ReadCollectionSkip, "", ""},
   };
   for (const auto& c : cases)
   {
      std::pair<std::string, std::string> pair;
      EXPECT_EQ(c.action, parseKeyValueLine(c.line, &pair)) << c.line;
      EXPECT_EQ(c.key, pair.first) << c.line;
      EXPECT_EQ(c.value, pair.second) << c.line;
   }
}

// Values that need no unescaping are taken as they stand between their quotes; each
// must read as the JSON literal reads, whatever byte it holds, raw or after a backslash.
TEST_F(FileSerializerTest, AQuotedValueReadsAsItsJsonLiteral)
{
   std::vector<std::string> literals = {"\"\"", "\"plain text\"", "\"caf\xC3\xA9\"", "\"a\"b\"", "\"ends in \\\""};
   for (int byte = 0; byte < 256; ++byte)
   {
      literals.push_back(std::string("\"a") + static_cast<char>(byte) + "b\"");
      literals.push_back(std::string("\"a\\") + static_cast<char>(byte) + "b\"");
   }
   for (const std::string& literal : literals)
   {
      std::pair<std::string, std::string> pair;
      ASSERT_EQ(ReadCollectionKeep, parseKeyValueLine("k=" + literal, &pair)) << literal;
      EXPECT_EQ(string_utils::jsonLiteralUnescape(literal), pair.second) << literal;
   }
}

// A thread-local object made before the thread's first parse is destroyed after what
// the parser keeps per thread; a line it parses then still reads whole.
TEST_F(FileSerializerTest, ALineParsedAsTheThreadEndsIsRead)
{
   static std::pair<std::string, std::string> s_parsed;
   struct ParsesWhenDestroyed
   {
      ~ParsesWhenDestroyed() { parseKeyValueLine(" late = \"value\" ", &s_parsed); }
   };
   std::thread([] {
      thread_local ParsesWhenDestroyed parsesLast;
      (void)&parsesLast;
      std::pair<std::string, std::string> first;
      parseKeyValueLine("first=1", &first);
   }).join();
   EXPECT_EQ(std::make_pair(std::string("late"), std::string("value")), s_parsed);
}

TEST_F(FileSerializerTest, AValueThatDoesNotUnescapeIsKeptAndLogged)
{
   const auto log = testing::captureLog();
   const FilePath path = fileWith("map.txt", "k=\"a\"b\"\nraw=\"a\tb\"\n");
   StringMap map;
   ASSERT_FALSE(readStringMapFromFile(path, &map));
   EXPECT_EQ((StringMap{{"k", "\"a\"b\""}, {"raw", "\"a\tb\""}}), map);

   const std::vector<std::string> lines = log->lines();
   ASSERT_EQ(2u, lines.size());
   EXPECT_NE(std::string::npos, lines[0].find("ERROR Failed to unescape JS literal")) << lines[0];
}

TEST_F(FileSerializerTest, CrLfKeyValueFileReadsLikeLf)
{
   StringMap lf, crlf;
   ASSERT_FALSE(readStringMapFromFile(fileWith("lf.txt", "a=\"1\"\nb = 2\n"), &lf));
   ASSERT_FALSE(readStringMapFromFile(fileWith("crlf.txt", "a=\"1\"\r\nb = 2\r\n"), &crlf));
   EXPECT_EQ((StringMap{{"a", "1"}, {"b", "2"}}), lf);
   EXPECT_EQ(lf, crlf);
}

// ----- Line-list files ----------------------------------------------------------

TEST_F(FileSerializerTest, ReadStringVectorTrimsAndSkipsBlankLinesOnlyWhenAsked)
{
   const struct
   {
      const char* contents;
      bool trimAndSkipBlank;
      StringVector expected;
   } cases[] = {
      {"a\n\nb\n", false, {"a", "", "b"}},
      {"a\n\nb\n", true, {"a", "b"}},
      {"a\r\n\r\nb\r\n", false, {"a\r", "\r", "b\r"}},
      {"a\r\n\r\nb\r\n", true, {"a", "b"}},
      {"  a  \n", false, {"  a  "}},
      {"a\nlast", false, {"a", "last"}},
      {"a\n", false, {"a"}},
      {"", false, {}},
      {"\n", false, {""}},
      {"a\n \n", true, {"a"}},
   };
   int index = 0;
   for (const auto& c : cases)
   {
      StringVector vector;
      const FilePath path = fileWith("list" + std::to_string(index++) + ".txt", c.contents);
      ASSERT_FALSE(readStringVectorFromFile(path, &vector, c.trimAndSkipBlank)) << c.contents;
      EXPECT_EQ(c.expected, vector) << c.contents;
   }
}

TEST_F(FileSerializerTest, ReadStringVectorPutsTheFileBeforeExistingElements)
{
   StringVector vector = {"held"};
   ASSERT_FALSE(readStringVectorFromFile(fileWith("list.txt", "one\ntwo\n"), &vector, false));
   EXPECT_EQ((StringVector{"one", "two", "held"}), vector);
}

TEST_F(FileSerializerTest, ReadingIntoALargeVectorStaysLinear)
{
   // Each line inserted ahead of the held elements would move all of them: seconds here.
   const std::size_t count = 50000;
   std::string contents;
   for (std::size_t i = 0; i < count; ++i)
      contents += "line" + std::to_string(i) + "\n";
   StringVector vector;
   for (std::size_t i = 0; i < count; ++i)
      vector.push_back("held" + std::to_string(i));

   ASSERT_FALSE(readStringVectorFromFile(fileWith("long.txt", contents), &vector, false));
   ASSERT_EQ(2 * count, vector.size());
   EXPECT_EQ("line0", vector.front());
   EXPECT_EQ("line49999", vector[count - 1]);
   EXPECT_EQ("held0", vector[count]);
   EXPECT_EQ("held49999", vector.back());
}

TEST_F(FileSerializerTest, AFailedReadStillPutsItsLinesFirst)
{
   const FilePath path = fileWith("list.txt", "one\ntwo\nthree\n");
   StringVector vector = {"held"};
   const auto parser = [](const std::string& line, std::string* element) -> ReadCollectionAction {
      if (line == "three")
         throw std::runtime_error("parser failed");
      *element = line;
      return ReadCollectionKeep;
   };
   EXPECT_EQ(5, readCollectionFromFile<StringVector>(path, &vector, parser, false).getCode());
   EXPECT_EQ((StringVector{"one", "two", "held"}), vector);
}

TEST_F(FileSerializerTest, WriteStringVectorWritesOneLinePerElement)
{
   const FilePath path = file("list.txt");
   const StringVector vector = {"one", "", "tab\there"};
   ASSERT_FALSE(writeStringVectorToFile(path, vector));
   EXPECT_EQ("one\n\ntab\there\n", bytesOf(path));

   StringVector read;
   ASSERT_FALSE(readStringVectorFromFile(path, &read, false));
   EXPECT_EQ(vector, read);
}

TEST_F(FileSerializerTest, ParserDecidesWhatIsKept)
{
   const FilePath path = fileWith("list.txt", "1\nskip\n3\nstop\n5\n");
   int calls = 0;
   const auto parser = [&calls](const std::string& line, std::string* element) {
      ++calls;
      *element = line;
      if (line == "skip")
         return static_cast<ReadCollectionAction>(7); // any unknown value skips
      return line == "stop" ? ReadCollectionStop : ReadCollectionKeep;
   };
   StringVector vector;
   ASSERT_FALSE(readCollectionFromFile<StringVector>(path, &vector, parser, true));
   EXPECT_EQ((StringVector{"1", "3"}), vector);
   EXPECT_EQ(4, calls);
}

TEST_F(FileSerializerTest, MissingFileGivesTheOpenErrorAndLeavesTheCollection)
{
   const FilePath missing = file("missing.txt");
   StringMap map = {{"kept", "yes"}};
   const Error error = readStringMapFromFile(missing, &map);
   ASSERT_TRUE(error);
   EXPECT_EQ(2, error.getCode());
   EXPECT_EQ(missing.getAbsolutePath(), error.getProperty("path"));
   EXPECT_EQ((StringMap{{"kept", "yes"}}), map);

   StringVector vector;
   EXPECT_EQ(2, readStringVectorFromFile(missing, &vector, true).getCode());
   EXPECT_TRUE(vector.empty());

   const FilePath inMissingFolder = file("no-such-folder/list.txt");
   EXPECT_EQ(3, writeStringVectorToFile(inMissingFolder, StringVector{"a"}).getCode());
   EXPECT_FALSE(boost::filesystem::exists(folder_ / "no-such-folder"));
}

TEST_F(FileSerializerTest, EmptyFunctionsAreReportedWithTheFile)
{
   const FilePath path = fileWith("list.txt", "line\n");
   StringVector vector;
   const Error readError = readCollectionFromFile<StringVector>(path, &vector, {}, false);
   ASSERT_TRUE(readError);
   EXPECT_EQ(5, readError.getCode());
   ASSERT_EQ(2u, readError.getProperties().size());
   EXPECT_EQ("what", readError.getProperties()[0].first);
   EXPECT_EQ("path", readError.getProperties()[1].first);
   EXPECT_EQ(path.getAbsolutePath(), readError.getProperty("path"));

   const Error writeError = writeCollectionToFile<StringVector>(path, StringVector{"a"}, {});
   ASSERT_TRUE(writeError);
   EXPECT_EQ(5, writeError.getCode());
   EXPECT_EQ(path.getAbsolutePath(), writeError.getProperty("path"));
}

// FIFOs are Linux's.
#ifndef _WIN32
// A FIFO would hold a reader until a writer came: every reader is refused at once
// with the open error, and what it would fill stays as it was.
TEST_F(FileSerializerTest, ReadersRefuseAFifoAtOnce)
{
   const FilePath fifo = file("fifo");
   ASSERT_EQ(0, ::mkfifo(fifo.getAbsolutePath().c_str(), 0600));
   std::string text = "previous";
   StringMap map;
   StringVector vector;
   struct Case
   {
      const char* name;
      std::function<Error()> read;
   };
   const Case cases[] = {
      {"whole text", [&] { return readStringFromFile(fifo, &text); }},
      {"window of lines", [&] { return readStringFromFile(fifo, &text, string_utils::LineEndingUnchanged, 1, 3); }},
      {"key/value", [&] { return readStringMapFromFile(fifo, &map); }},
      {"line list", [&] { return readStringVectorFromFile(fifo, &vector, false); }},
   };
   for (const Case& c : cases)
   {
      Error error;
      ASSERT_TRUE(testing::returnsPromptly(fifo.getAbsolutePath(), [&] { error = c.read(); })) << c.name;
      EXPECT_EQ(1920, error.getCode()) << c.name << ": " << error.asString();
      EXPECT_EQ(fifo.getAbsolutePath(), error.getProperty("path")) << c.name;
   }
   EXPECT_EQ("previous", text);
   EXPECT_TRUE(map.empty());
   EXPECT_TRUE(vector.empty());
}

#endif

// ----- Whole-text files ---------------------------------------------------------

TEST_F(FileSerializerTest, ReadStringFromFileWhole)
{
   const FilePath path = fileWith("text.txt", "a\r\nb");
   std::string text;
   ASSERT_FALSE(readStringFromFile(path, &text, string_utils::LineEndingUnchanged));
   EXPECT_EQ("a\r\nb", text);
   ASSERT_FALSE(readStringFromFile(path, &text, string_utils::LineEndingLf));
   EXPECT_EQ("a\nb", text);

   // Every byte arrives, NULs and invalid UTF-8 included, beyond the copy buffer too.
   std::string binary(10000, 'x');
   binary[10] = '\0';
   binary[5000] = '\xFF';
   ASSERT_FALSE(readStringFromFile(fileWith("binary.bin", binary), &text));
   EXPECT_EQ(binary, text);

   text = "previous";
   ASSERT_FALSE(readStringFromFile(fileWith("empty.txt", ""), &text));
   EXPECT_EQ("", text);
}

TEST_F(FileSerializerTest, ReadStringFromMissingFileLeavesTheOutput)
{
   const FilePath missing = file("missing.txt");
   std::string text = "previous";
   const Error error = readStringFromFile(missing, &text);
   ASSERT_TRUE(error);
   EXPECT_EQ(2, error.getCode());
   EXPECT_EQ(missing.getAbsolutePath(), error.getProperty("path"));
   EXPECT_EQ("previous", text);
}

TEST_F(FileSerializerTest, ReadStringFromFileWindow)
{
   fileWith("five.txt", "one\ntwo\nthree\nfour\nfive\n");
   fileWith("three.txt", "a\nb\nc\n");
   const struct
   {
      const char* file;
      int startLine, endLine, startCharacter, endCharacter;
      std::string expected;
   } cases[] = {
      {"five.txt", 2, 4, 2, 3, "wo\nthree\nfou"},
      {"three.txt", 2, 9, 0, 0, "b\nc\n\n"},
      {"five.txt", 1, 2, 0, 10, "one\ntwo"},
      {"five.txt", 1, 2, -5, 10, "one\ntwo"},
      {"five.txt", 1, 2, 4, 10, "\ntwo"},
      {"five.txt", 1, 2, 99, 10, "\ntwo"},
      {"five.txt", 1, 2, 1, 0, "one\n"},
      {"five.txt", 1, 2, 1, -1, "one\ntwo"},
      {"five.txt", 4, 5, 3, 2, "ur\nfi"},
      {"five.txt", 1, 2, INT_MIN, INT_MAX, "one\ntwo"},
      {"five.txt", 3, 3, 2, 2, "one\ntwo\nthree\nfour\nfive\n"},
      {"five.txt", 4, 2, 0, 0, "one\ntwo\nthree\nfour\nfive\n"},
   };
   for (const auto& c : cases)
   {
      std::string text = "previous";
      ASSERT_FALSE(readStringFromFile(file(c.file), &text, string_utils::LineEndingUnchanged, c.startLine,
                                      c.endLine, c.startCharacter, c.endCharacter));
      EXPECT_EQ(c.expected, text) << c.file << " " << c.startLine << "-" << c.endLine << " "
                                  << c.startCharacter << "-" << c.endCharacter;
   }
}

TEST_F(FileSerializerTest, WindowKeepsCarriageReturnsUnlessConverted)
{
   const FilePath path = fileWith("crlf.txt", "one\r\ntwo\r\nthree\r\n");
   std::string text;
   ASSERT_FALSE(readStringFromFile(path, &text, string_utils::LineEndingUnchanged, 1, 2, 0, -1));
   EXPECT_EQ("one\r\ntwo\r", text);
   ASSERT_FALSE(readStringFromFile(path, &text, string_utils::LineEndingLf, 1, 2, 0, -1));
   EXPECT_EQ("one\ntwo\n", text);
}

TEST_F(FileSerializerTest, WriteStringToFile)
{
   const FilePath path = fileWith("text.txt", "xyz");
   ASSERT_FALSE(writeStringToFile(path, "abc", string_utils::LineEndingUnchanged, false));
   EXPECT_EQ("xyzabc", bytesOf(path));
   ASSERT_FALSE(writeStringToFile(path, "abc", string_utils::LineEndingUnchanged, true));
   EXPECT_EQ("abc", bytesOf(path));
   ASSERT_FALSE(writeStringToFile(path, "a\nb", string_utils::LineEndingCrLf, true));
   EXPECT_EQ("a\r\nb", bytesOf(path));
   ASSERT_FALSE(writeStringToFile(path, "a\r\nb\rc", string_utils::LineEndingLf));
   EXPECT_EQ("a\nb\nc", bytesOf(path));

   const std::string large(100000, 'z');
   ASSERT_FALSE(writeStringToFile(path, large));
   EXPECT_EQ(large, bytesOf(path));

   ASSERT_FALSE(writeStringToFile(file("new.txt"), ""));
   EXPECT_TRUE(boost::filesystem::exists(folder_ / "new.txt"));

   const Error error = writeStringToFile(file("missing/text.txt"), "a");
   EXPECT_EQ(3, error.getCode());
   EXPECT_EQ(file("missing/text.txt").getAbsolutePath(), error.getProperty("path"));
}

// ----- Replacing a file's contents ----------------------------------------------

TEST_F(FileSerializerTest, ThroughALinkTheFileItLeadsToGetsTheNewContents)
{
   SKIP_UNDER_WINE("CreateSymbolicLinkW reports success for a file link yet makes none");
   for (const ReplacingWriter& writer : replacingWriters())
   {
      const std::string real = writer.name + ".txt";
      fileWith(real, "old");
      // A chain of two relative links.
      boost::filesystem::create_symlink(real, folder_ / (writer.name + "-first"));
      boost::filesystem::create_symlink(writer.name + "-first", folder_ / (writer.name + "-second"));

      ASSERT_FALSE(writer.write(file(writer.name + "-second"))) << writer.name;
      EXPECT_TRUE(boost::filesystem::is_symlink(folder_ / (writer.name + "-second"))) << writer.name;
      EXPECT_TRUE(boost::filesystem::is_symlink(folder_ / (writer.name + "-first"))) << writer.name;
      EXPECT_EQ(writer.written, bytesOf(file(real))) << writer.name;

      // A link that leads to no file yet: the file is made where it points.
      const boost::filesystem::path made = folder_ / (writer.name + "-made.txt");
      boost::filesystem::create_symlink(made, folder_ / (writer.name + "-dangling"));
      ASSERT_FALSE(writer.write(file(writer.name + "-dangling"))) << writer.name;
      EXPECT_TRUE(boost::filesystem::is_symlink(folder_ / (writer.name + "-dangling"))) << writer.name;
      EXPECT_EQ(writer.written, bytesOf(FilePath(made.string()))) << writer.name;
   }
   EXPECT_EQ((std::vector<std::string>{"map-dangling", "map-first", "map-made.txt", "map-second", "map.txt",
                                       "text-dangling", "text-first", "text-made.txt", "text-second", "text.txt",
                                       "vector-dangling", "vector-first", "vector-made.txt", "vector-second",
                                       "vector.txt"}),
             names());
}

TEST_F(FileSerializerTest, ThroughALinkAndBackUpTheFileBesideTheLinkGetsTheNewContents)
{
   // "link/.." is the folder that holds the link, as Windows reads it, not the one
   // that holds the link's target.
   boost::filesystem::create_directories(folder_ / "deep" / "target");
   boost::filesystem::create_symlink(folder_ / "deep" / "target", folder_ / "link");
   for (const ReplacingWriter& writer : replacingWriters())
   {
      const std::string name = writer.name + ".txt";
      fileWith(name, "beside the link");
      fileWith("deep/" + name, "beside the target");
      ASSERT_FALSE(writer.write(file("link/../" + name))) << writer.name;
      EXPECT_EQ(writer.written, bytesOf(file(name))) << writer.name;
      EXPECT_EQ("beside the target", bytesOf(file("deep/" + name))) << writer.name;
   }
}

// Linux only: Windows keeps no mode of this kind, only a read-only attribute.
#ifndef _WIN32
TEST_F(FileSerializerTest, TheReplacedFileKeepsItsPermissions)
{
   using boost::filesystem::perms;
   for (const perms mode : {perms::owner_read | perms::owner_write,
                            perms::owner_read | perms::owner_write | perms::group_read | perms::others_exe})
   {
      for (const ReplacingWriter& writer : replacingWriters())
      {
         const FilePath path = fileWith(writer.name + ".txt", "old");
         boost::filesystem::permissions(path.getAbsolutePath(), mode);
         ASSERT_FALSE(writer.write(path)) << writer.name;
         EXPECT_EQ(writer.written, bytesOf(path)) << writer.name;
         EXPECT_EQ(mode, boost::filesystem::status(path.getAbsolutePath()).permissions()) << writer.name;
      }
   }
}
#endif

TEST_F(FileSerializerTest, AFailedWriteLeavesTheOldContentsAndNoOtherFile)
{
#ifndef _WIN32 // the failed move is armed in the Linux stand-ins
   for (const ReplacingWriter& writer : replacingWriters())
   {
      const FilePath path = fileWith("file.txt", "old");
      // The new contents are written in full, then cannot take the old ones' place.
      platform::failNext("MoveFileExW", ERROR_DISK_FULL);
      EXPECT_EQ(static_cast<int>(ERROR_DISK_FULL), writer.write(path).getCode()) << writer.name;
      EXPECT_EQ("old", bytesOf(path)) << writer.name;
      EXPECT_EQ(std::vector<std::string>{"file.txt"}, names()) << writer.name;
   }
#endif

   // Half-way through the lines.
   const FilePath path = fileWith("file.txt", "old");
   const auto failOnSecond = [](const std::string& item) {
      if (item == "second")
         throw std::runtime_error("no more room");
      return item;
   };
   const Error error =
      writeCollectionToFile<StringVector>(path, StringVector{"first", "second", "third"}, failOnSecond);
   EXPECT_EQ(5, error.getCode());
   EXPECT_EQ("no more room", error.getProperty("what"));
   EXPECT_EQ(path.getAbsolutePath(), error.getProperty("path"));
   EXPECT_EQ("old", bytesOf(path));
   EXPECT_EQ(std::vector<std::string>{"file.txt"}, names());
}

TEST_F(FileSerializerTest, ATargetThatCannotBeWrittenGivesTheErrorOfAWriteInPlace)
{
   SKIP_UNDER_WINE("CreateSymbolicLinkW reports success for a file link yet makes none");
   boost::filesystem::create_directory(folder_ / "folder");
   boost::filesystem::create_symlink("loop-b", folder_ / "loop-a");
   boost::filesystem::create_symlink("loop-a", folder_ / "loop-b");
   const FilePath held = fileWith("held.txt", "old");
   std::shared_ptr<std::ostream> holder;
   ASSERT_FALSE(held.openForWrite(holder, false));

   for (const ReplacingWriter& writer : replacingWriters())
   {
      for (const char* name : {"folder", "held.txt", "loop-a", "missing/file.txt"})
      {
         std::shared_ptr<std::ostream> inPlace;
         const Error expected = file(name).openForWrite(inPlace, true);
         ASSERT_TRUE(expected) << name;
         const Error error = writer.write(file(name));
         EXPECT_EQ(expected.getCode(), error.getCode()) << writer.name << " " << name;
         EXPECT_EQ(file(name).getAbsolutePath(), error.getProperty("path")) << writer.name << " " << name;
      }
   }
   holder.reset();
   EXPECT_EQ("old", bytesOf(held));
   EXPECT_TRUE(boost::filesystem::is_symlink(folder_ / "loop-a"));
   EXPECT_EQ((std::vector<std::string>{"folder", "held.txt", "loop-a", "loop-b"}), names());
}

TEST_F(FileSerializerTest, WhenNoFileCanBeMadeBesideTheTargetItIsWrittenInPlace)
{
   for (const ReplacingWriter& writer : replacingWriters())
   {
      // The one open is that of the fresh file, as for a read-only folder.
      platform::failNext("CreateFileW", ERROR_ACCESS_DENIED);
      ASSERT_FALSE(writer.write(file(writer.name + ".txt"))) << writer.name;
      EXPECT_EQ(writer.written, bytesOf(file(writer.name + ".txt"))) << writer.name;
   }
   EXPECT_EQ((std::vector<std::string>{"map.txt", "text.txt", "vector.txt"}), names());
}

TEST_F(FileSerializerTest, AppendingWritesToTheFileWhereItStands)
{
   const FilePath path = fileWith("text.txt", "old");
   boost::filesystem::create_hard_link(folder_ / "text.txt", folder_ / "other-name.txt");
   ASSERT_FALSE(writeStringToFile(path, "+new", string_utils::LineEndingUnchanged, false));
   EXPECT_EQ("old+new", bytesOf(file("other-name.txt")));
}

TEST_F(FileSerializerTest, StripByteOrderMark)
{
   const struct
   {
      std::string text;
      bool stripped;
      std::string rest;
   } cases[] = {
      {"\xEF\xBB\xBFx", true, "x"},
      {"\xEF\xBB\xBF", true, ""},
      {std::string("\xFF\xFE\0\0", 4), true, std::string("\0\0", 2)},
      {"\xFE\xFFz", true, "z"},
      {"\xEF\xBB", false, "\xEF\xBB"},
      {"\xFF", false, "\xFF"},
      {"plain", false, "plain"},
      {"", false, ""},
   };
   for (const auto& c : cases)
   {
      std::string text = c.text;
      EXPECT_EQ(c.stripped, stripByteOrderMark(&text)) << c.rest;
      EXPECT_EQ(c.rest, text);
   }
}

} // namespace
} // namespace velorin::core
