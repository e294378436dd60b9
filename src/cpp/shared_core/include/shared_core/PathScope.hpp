// PathScope.hpp: scope guards that undo a file-system change when their scope ends.
//
//   FilePath scratch;
//   FilePath::tempFilePath(".txt", scratch);
//   RemoveOnExitScope removeScratch(scratch, ERROR_LOCATION);
//   ... // scratch is removed however the scope is left, exceptions included
//
// A guard acts once, in its destructor, and never throws: a failure is logged under
// the location given to it, normally that of the code that set it up.
#pragma once

#include <memory>

#include <boost/noncopyable.hpp>

#include <shared_core/ErrorLocation.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core {

// Removes the path (a folder with everything below it) if it exists.
class RemoveOnExitScope : boost::noncopyable
{
public:
   RemoveOnExitScope(FilePath path, ErrorLocation location);
   virtual ~RemoveOnExitScope();

private:
   struct Impl;
   std::unique_ptr<Impl> impl_;
};

// Makes the path the working directory again; a folder that vanished is not re-created.
class RestoreCurrentPathScope : boost::noncopyable
{
public:
   RestoreCurrentPathScope(FilePath path, ErrorLocation location);
   virtual ~RestoreCurrentPathScope();

private:
   struct Impl;
   std::unique_ptr<Impl> impl_;
};

} // namespace velorin::core
