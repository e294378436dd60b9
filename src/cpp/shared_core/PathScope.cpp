// PathScope.cpp: the guards that remove a path and restore the working directory.
#include <shared_core/PathScope.hpp>

#include <utility>

#include <shared_core/Logger.hpp>

namespace velorin::core {

struct RemoveOnExitScope::Impl
{
   FilePath path;
   ErrorLocation location;
};

struct RestoreCurrentPathScope::Impl
{
   FilePath path;
   ErrorLocation location;
};

RemoveOnExitScope::RemoveOnExitScope(FilePath path, ErrorLocation location)
   : impl_(new Impl{std::move(path), std::move(location)})
{
}

RemoveOnExitScope::~RemoveOnExitScope()
{
   try
   {
      Error error = impl_->path.removeIfExists();
      if (error)
         log::logError(error, impl_->location);
   }
   catch (...)
   {
      // A destructor reports nothing; the removal is best effort.
   }
}

RestoreCurrentPathScope::RestoreCurrentPathScope(FilePath path, ErrorLocation location)
   : impl_(new Impl{std::move(path), std::move(location)})
{
}

RestoreCurrentPathScope::~RestoreCurrentPathScope()
{
   try
   {
      Error error = impl_->path.makeCurrentPath(false);
      if (error)
         log::logError(error, impl_->location);
   }
   catch (...)
   {
      log::logErrorMessage("An unexpected error occurred when attempting to restore the working directory.",
                           impl_->location);
   }
}

} // namespace velorin::core
