// FileLogOptions.cpp: the settings of a file log destination.
#include <shared_core/FileLogOptions.hpp>

#include <utility>

namespace velorin::core::log {

FileLogOptions::FileLogOptions(FilePath directory)
   : FileLogOptions(std::move(directory), "666", 2.0, true, false)
{
}

FileLogOptions::FileLogOptions(FilePath directory,
                               std::string fileMode,
                               double maxSizeMb,
                               bool doRotation,
                               bool includePid)
   : directory_(std::move(directory)),
     fileMode_(std::move(fileMode)),
     maxSizeMb_(maxSizeMb),
     doRotation_(doRotation),
     includePid_(includePid)
{
}

const FilePath& FileLogOptions::getDirectory() const
{
   return directory_;
}

bool FileLogOptions::getDoRotation() const
{
   return doRotation_;
}

const std::string& FileLogOptions::getFileMode() const
{
   return fileMode_;
}

bool FileLogOptions::getIncludePid() const
{
   return includePid_;
}

double FileLogOptions::getMaxSizeMb() const
{
   return maxSizeMb_;
}

} // namespace velorin::core::log
