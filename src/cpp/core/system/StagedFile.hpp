// StagedFile.hpp: a file's new contents written whole beside it and put in its place
// only when the caller says so, so that files that must change together either all
// change or all stay as they were.
//
//   StagedFile file(path, false);
//   Error error = file.checkTarget();
//   if (!error) error = file.write(text);
//   if (!error) error = file.commit();
//
// What is staged and not committed is removed with the object.
#pragma once

#include <string>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core::system::crypto {

class StagedFile
{
public:
   // ownerOnly: the contents are written where no one else can read them, even while
   // they are being written, and the file keeps read and write for its owner only.
   StagedFile(const FilePath& target, bool ownerOnly);
   ~StagedFile();
   StagedFile(const StagedFile&) = delete;
   StagedFile& operator=(const StagedFile&) = delete;

   // Fails when the target cannot be replaced by a file: its folder is missing (3), or
   // what stands there cannot be written (a folder or a read-only file: 5; a device:
   // 1920). Changes nothing.
   Error checkTarget() const;
   // The text in a fresh file beside the target, every byte written and the file closed.
   Error write(const std::string& text);
   // Renames the written file onto the target.
   Error commit();

private:
   void discard();

   FilePath target_;
   bool ownerOnly_;
   FilePath folder_; // the staging folder of an owner-only file
   FilePath staged_;
};

} // namespace velorin::core::system::crypto
