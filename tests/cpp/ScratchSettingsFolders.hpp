// ScratchSettingsFolders.hpp: the per-user and per-machine settings folders moved into
// a scratch folder for one test, through the variables the platform layer reads them
// from; the variables are put back and the folder removed afterwards.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include <boost/filesystem.hpp>

#include "ScopedEnvironment.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core::testing {

class ScratchSettingsFolders
{
public:
   ScratchSettingsFolders()
   {
      ::setenv("XDG_CONFIG_HOME", (root_ / "user").string().c_str(), 1);
      ::setenv("XDG_CONFIG_DIRS", ((root_ / "machine").string() + ":/etc/xdg").c_str(), 1);
      boost::filesystem::create_directories(root_ / "user");
      boost::filesystem::create_directories(root_ / "machine");
   }

   const boost::filesystem::path& root() const { return root_; }
   std::string path(const std::string& relative) const { return (root_ / relative).string(); }

   // "logging.conf" of the per-user and the per-machine folder.
   std::string userLoggingConf() const { return path("user/Velorin-Desktop/logging.conf"); }
   std::string machineLoggingConf() const { return path("machine/Velorin/logging.conf"); }

   // Writes the bytes to the file, making its folders first.
   void write(const std::string& file, const std::string& bytes) const
   {
      boost::filesystem::create_directories(boost::filesystem::path(file).parent_path());
      std::ofstream(file, std::ios::binary) << bytes;
   }

private:
   const ScopedEnvironment environment_;
   const ScratchFolder root_{"settings-%%%%-%%%%"};
};

} // namespace velorin::core::testing
