// FileLogOptions.hpp: the settings of a file log destination.
//
//   log::FileLogOptions options(FilePath("C:/ProgramData/demo/logs"));  // 2 MB, rotated
//
// The destination uses the folder, the size limit and the rotation switch. The file
// mode and the process-id flag are only carried to and from "logging.conf".
#pragma once

#include <string>

#include <shared_core/FilePath.hpp>

namespace velorin::core::log {

class FileLogOptions
{
public:
   // File mode "666", 2.0 MB, rotation on, no process id.
   explicit FileLogOptions(FilePath directory);
   FileLogOptions(FilePath directory, std::string fileMode, double maxSizeMb, bool doRotation, bool includePid);

   const FilePath& getDirectory() const;
   const std::string& getFileMode() const;
   double getMaxSizeMb() const;
   bool getDoRotation() const;
   bool getIncludePid() const;

private:
   FilePath directory_;
   std::string fileMode_;
   double maxSizeMb_;
   bool doRotation_;
   bool includePid_;
};

} // namespace velorin::core::log
