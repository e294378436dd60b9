// StagedFile.cpp: new contents written whole beside their file, then renamed onto it.
#include "StagedFile.hpp"

#include <exception>
#include <memory>
#include <ostream>

#include <boost/filesystem/operations.hpp>
#include <boost/iostreams/device/file_descriptor.hpp>
#include <boost/iostreams/stream.hpp>

#include <platform/Win32Api.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::system::crypto {
namespace {

constexpr int kAccessDenied = 5;

// FilePath's write streams are Boost.Iostreams streams over a file descriptor; their
// own close reports a failure, which their destructor would swallow.
using FileStream = boost::iostreams::stream<boost::iostreams::file_descriptor_sink>;

Error writeError(const std::string& what, const FilePath& path, const ErrorLocation& location)
{
   Error error = systemError(kAccessDenied, location);
   error.addProperty("what", what);
   error.addProperty("path", path);
   return error;
}

Error restrictPermissions(const FilePath& path, boost::filesystem::perms permissions)
{
   boost::system::error_code ec;
   boost::filesystem::permissions(platform::boostPathOfEntry(path.getAbsolutePathW()), permissions, ec);
   if (!ec)
      return Success();
   Error error = systemError(static_cast<int>(platform::win32ErrorFromNative(ec.value())), ERROR_LOCATION);
   error.addProperty("path", path);
   return error;
}

Error writeWhole(const FilePath& path, const std::string& text, std::shared_ptr<std::ostream> stream)
{
   try
   {
      stream->exceptions(std::ostream::failbit | std::ostream::badbit);
      stream->write(text.data(), static_cast<std::streamsize>(text.size()));
      stream->flush();
      if (auto* file = dynamic_cast<FileStream*>(stream.get()))
         file->close();
      stream.reset();
   }
   catch (const std::exception& e)
   {
      return writeError(e.what(), path, ERROR_LOCATION);
   }
   // What the file holds once closed is what counts.
   if (path.getSize() != text.size())
      return writeError("the file holds " + std::to_string(path.getSize()) + " of " + std::to_string(text.size()) +
                           " bytes",
                        path, ERROR_LOCATION);
   return Success();
}

} // namespace

StagedFile::StagedFile(const FilePath& target, bool ownerOnly) : target_(target), ownerOnly_(ownerOnly)
{
}

StagedFile::~StagedFile()
{
   discard();
}

Error StagedFile::checkTarget() const
{
   const FilePath folder = target_.getParent();
   if (!folder.isEmpty() && !folder.isDirectory())
      return pathNotFoundError(target_.getAbsolutePath(), ERROR_LOCATION);
   if (!target_.exists())
      return Success();
   // Opening to append changes nothing, and refuses what could not be replaced.
   std::shared_ptr<std::ostream> probe;
   return target_.openForWrite(probe, false);
}

Error StagedFile::commit()
{
   Error error = staged_.move(target_, FilePath::MoveDirect);
   if (error)
      return error;
   staged_ = FilePath();
   discard();
   return Success();
}

void StagedFile::discard()
{
   for (FilePath* path : {&staged_, &folder_})
   {
      if (path->isEmpty())
         continue;
      const Error error = path->removeIfExists();
      if (error)
         log::logError(error);
      *path = FilePath();
   }
}

Error StagedFile::write(const std::string& text)
{
   discard();
   const std::string base = target_.getParent().getAbsolutePath();
   Error error;
   if (ownerOnly_)
   {
      // Others cannot reach into a folder that only its owner may search, so nobody
      // can open the file before its own permissions are narrowed.
      error = FilePath::uniqueFilePath(base, ".tmp", folder_);
      if (!error)
         error = folder_.createDirectory();
      if (!error)
         error = restrictPermissions(folder_, boost::filesystem::owner_all);
      if (!error)
         staged_ = folder_.completePath(target_.getFilename());
   }
   else
   {
      error = FilePath::uniqueFilePath(base, ".tmp", staged_);
   }
   if (error)
      return error;

   std::shared_ptr<std::ostream> stream;
   error = staged_.openForWrite(stream, true);
   if (!error && ownerOnly_)
      error = restrictPermissions(staged_, boost::filesystem::owner_read | boost::filesystem::owner_write);
   if (error)
      return error;
   return writeWhole(staged_, text, std::move(stream));
}

} // namespace velorin::core::system::crypto
