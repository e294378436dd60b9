// FilePath.hpp: the path type of the library, a Windows path on every platform.
//
//   FilePath logs = FilePath("C:/Users/me").completeChildPath("logs");
//   logs.getAbsolutePath();          // "C:/Users/me/logs"
//   Error error = logs.ensureDirectory();
//
// A value is immutable: copies share one implementation and no member changes it.
// The text is kept as given (UTF-16 inside); every text result is UTF-8 in generic
// form, with '/' separators, unless its name says native. Both '/' and '\' separate,
// "C:" and "//server" are root names, and elements compare case-sensitively. A name
// that is not UTF-8 (a Linux name is bytes) keeps its bytes in every form, so any form
// of a listed path reaches its entry.
//
// Members that touch the file system act on the entry Windows would: trailing
// separators and final "." elements are dropped first, so "dir/link/" is the link
// itself and "dir/d/." the folder d. Those that can fail return an Error carrying
// the property "path"; members that return a value log a failure and return a fallback.
// Nothing here throws but getCanonicalPath.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <shared_core/Error.hpp>

namespace velorin::core {

class FilePath
{
public:
   // How move treats a target on another volume.
   enum MoveType
   {
      MoveDirect = 0,      // rename only
      MoveCrossDevice = 1  // rename, else copy then remove the source
   };

   // Called for each entry of a recursive listing with its depth below the listed
   // folder (0 for its children); returning false stops the walk.
   using RecursiveIterationFunction = std::function<bool(int, const FilePath&)>;

   // The empty path.
   FilePath();
   // UTF-8 text; text that cannot be converted (the failure is logged) gives the empty path.
   explicit FilePath(const std::string& absolutePath);
   // UTF-16 text, stored unchanged.
   explicit FilePath(const std::wstring& absolutePath);

   // ----- Text forms -----------------------------------------------------------

   bool isEmpty() const;
   // The generic form. Despite the name, a relative path stays relative.
   std::string getAbsolutePath() const;
   // The stored text in UTF-8, separators as stored.
   std::string getAbsolutePathNative() const;
   // The stored text itself.
   std::wstring getAbsolutePathW() const;

   // ----- Comparison -----------------------------------------------------------

   // Element by element: C:\a\b == C:/a/b, C:/a/ != C:/a, C:/A != C:/a.
   bool operator==(const FilePath& other) const;
   bool operator!=(const FilePath& other) const;
   bool operator<(const FilePath& other) const;
   // Generic forms lower-cased with the global locale, compared as bytes.
   bool isLessThanIgnoringCase(const FilePath& other) const;

   // ----- Parts of a name ------------------------------------------------------

   // The last element: "." after a trailing separator, "/" for a bare root directory.
   std::string getFilename() const;
   // From the last '.' of the filename, dot included; .gitignore is all extension.
   std::string getExtension() const;
   std::string getExtensionLowerCase() const;
   std::string getStem() const;
   // Exact comparisons with getExtension / getExtensionLowerCase (".txt", not "txt").
   bool hasExtension(const std::string& extension) const;
   bool hasExtensionLowerCase(const std::string& extension) const;
   // The filename starts with '.'; attributes are not consulted.
   bool isHidden() const;

   // ----- Lexical operations ---------------------------------------------------

   // C:/a/b gives C:/a, C:/a gives C:/, a single relative name the empty path.
   FilePath getParent() const;
   // "." and "name/.." removed; a trailing separator stays as a final ".".
   std::string getLexicallyNormalPath() const;
   // Relative to parentPath after normalising both: "." when equal, "" when there is
   // no relative path (other drive), leading ".." when outside it.
   std::string getRelativePath(const FilePath& parentPath) const;
   // Lexical and case-sensitive; every path is within the empty path.
   bool isWithin(const FilePath& scopePath) const;
   // True when the text has a root name or a root directory: /x, C:, C:x, //server/share.
   static bool isRootPath(const std::string& path);

   // ----- Completion -----------------------------------------------------------

   // The text made absolute against this path (made absolute itself against the
   // working directory first when relative); nothing is normalised.
   FilePath completePath(const std::string& path) const;
   // The text completed against this path, which must stay inside it: rooted text and
   // text that climbs out give system error 2, and the child is then this path.
   Error completeChildPath(const std::string& path, FilePath& childPath) const;
   // As above; a failure is logged and this path returned.
   FilePath completeChildPath(const std::string& path) const;

   // ----- Home alias -----------------------------------------------------------

   // "~" for the home itself, "~/" + the relative path inside it, else the generic form.
   static std::string createAliasedPath(const FilePath& path, const FilePath& userHomePath);
   // The inverse: "~", "" and "~/..." against the home, other text against the
   // working directory (falling back on the home path when it cannot be read).
   static FilePath resolveAliasedPath(const std::string& aliasedPath, const FilePath& userHomePath);
   // The working directory; when it cannot be read, revertToPath (or the user home
   // path when that does not exist) is made the working directory and returned.
   static FilePath safeCurrentPath(const FilePath& revertToPath);

   // ----- Queries --------------------------------------------------------------

   // Silent when the path is missing or access is denied.
   bool exists() const;
   // Logs every failure, access denied included.
   static bool exists(const std::string& path);
   // A folder, or a junction to one.
   bool isDirectory() const;
   bool isRegularFile() const;
   bool isSymlink() const;
   bool isJunction() const;
   // Both exist and name the same file.
   bool isEquivalentTo(const FilePath& other) const;
   // The size of a regular file; 0 for anything else.
   std::uint64_t getSize() const;
   // For a folder, the sum of the sizes of every file below it.
   std::uint64_t getSizeRecursive() const;
   // Seconds since 1970-01-01 UTC; 0 for a missing path.
   std::int64_t getLastWriteTime() const;
   // Does nothing when the path does not exist.
   void setLastWriteTime(std::int64_t time) const;
   // The target as stored in the link; this path when it is not a link.
   FilePath resolveSymlink() const;
   // Absolute, links resolved, no "." or "..". Throws boost::filesystem::filesystem_error.
   std::string getCanonicalPath() const;

   // ----- Listing --------------------------------------------------------------

   // Appends one path per entry; the vector is not cleared. A missing path gives error 3.
   // An entry whose name holds '\' (legal outside Windows) would read as two elements,
   // naming another entry: it is left out and logged with error 123.
   Error getChildren(std::vector<FilePath>& filePaths) const;
   // Depth first, each folder before its contents; links to folders are not entered.
   // Entries are left out as getChildren leaves them out, with what lies below them.
   Error getChildrenRecursive(const RecursiveIterationFunction& iterationFunction) const;

   // ----- Working directory ----------------------------------------------------

   // With autoCreate, the folder is created first when missing.
   Error makeCurrentPath(bool autoCreate = false) const;
   static Error makeCurrentPath(const std::string& path);

   // ----- Opening files --------------------------------------------------------

   // Shares reading with other readers only. A missing file gives system error 2,
   // a file open for writing system error 32.
   Error openForRead(std::shared_ptr<std::istream>& stream) const;
   // Shares nothing. truncate: created or emptied; otherwise created when missing and
   // every write goes to its end. Missing folders are not created (system error 3).
   Error openForWrite(std::shared_ptr<std::ostream>& stream, bool truncate = true) const;

   // ----- File types -----------------------------------------------------------

   // The MIME type of the extension (any case), or defaultType.
   std::string getMimeContentType(const std::string& defaultType = "text/plain") const;
   // A text/ type or a +xml type.
   bool hasTextMimeType() const;

   // ----- Changes --------------------------------------------------------------

   // Creates the folder named by the text completed against this path (or this path
   // for empty text) with its missing parents; an existing folder is success.
   Error createDirectory(const std::string& path = std::string()) const;
   // Success when anything exists at the path, else createDirectory.
   Error ensureDirectory() const;
   // Success when anything exists at the path, else an empty file; an existing file
   // is never truncated. Parent folders are not created.
   Error ensureFile() const;
   // An empty folder at the path, whatever was there.
   Error resetDirectory() const;
   // Copies this file; fails with system error 80 when the target exists.
   Error copy(const FilePath& targetPath) const;
   // Copies this folder's tree below the target folder. Entries that fail are logged
   // and skipped. A target inside this tree is refused before anything is written.
   Error copyDirectoryRecursive(const FilePath& targetPath) const;
   // Renames, replacing a target file. With MoveCrossDevice a move to another volume
   // falls back to copy and remove; the source is kept unless every entry arrived.
   Error move(const FilePath& targetPath, MoveType type = MoveCrossDevice) const;
   // A folder goes with everything below it; a missing path is success.
   Error remove() const;
   Error removeIfExists() const;

   // ----- Fresh names ----------------------------------------------------------

   // basePath + "/" + 16 random hexadecimal digits as xxxx-xxxx-xxxx-xxxx + extension
   // (no dot added). Creates nothing.
   static Error uniqueFilePath(const std::string& basePath,
                               const std::string& extension,
                               FilePath& uniqueFilePath);
   static Error uniqueFilePath(const std::string& basePath, FilePath& uniqueFilePath);
   // A unique name in the system's temporary folder. Creates nothing.
   static Error tempFilePath(const std::string& extension, FilePath& filePath);
   static Error tempFilePath(FilePath& filePath);

private:
   struct Impl;

   explicit FilePath(std::shared_ptr<Impl> impl);

   // A path computed by a member: rebuilt in generic form.
   static FilePath fromComputedPath(std::wstring_view text);

   // The text made absolute against this path, without logging.
   Error complete(const std::string& path, std::wstring& completedPath, const ErrorLocation& location) const;
   Error moveAcrossDevice(const FilePath& targetPath) const;

   std::shared_ptr<Impl> impl_;
};

// Writes getAbsolutePath.
std::ostream& operator<<(std::ostream& stream, const FilePath& path);

// System error 80: the file exists.
Error fileExistsError(const ErrorLocation& location);
Error fileExistsError(const FilePath& path, const ErrorLocation& location);
// System error 2: the file cannot be found.
Error fileNotFoundError(const ErrorLocation& location);
Error fileNotFoundError(const std::string& path, const ErrorLocation& location);
Error fileNotFoundError(const FilePath& path, const ErrorLocation& location);
// System error 3: the path cannot be found.
Error pathNotFoundError(const ErrorLocation& location);
Error pathNotFoundError(const std::string& path, const ErrorLocation& location);
// System error 3, with "path" only when the path is not empty.
Error notFoundError(const FilePath& path, const ErrorLocation& location);

bool isFileNotFoundError(const Error& error);
bool isPathNotFoundError(const Error& error);
// System error 2 or 3.
bool isNotFoundError(const Error& error);

} // namespace velorin::core
