// ScratchFolder.hpp: a fresh folder under the temporary folder for one test, removed
// with its content when the test is done.
//
// It is the folder's path, so fixtures use it as they would any path.
#pragma once

#include <string>

#include <boost/filesystem.hpp>

namespace velorin::core::testing {

class ScratchFolder : public boost::filesystem::path
{
public:
   // Each "%" of the model becomes a random hexadecimal digit.
   explicit ScratchFolder(const std::string& model) :
      boost::filesystem::path(boost::filesystem::temp_directory_path() / boost::filesystem::unique_path(model))
   {
      boost::filesystem::create_directories(*this);
   }

   ScratchFolder(const ScratchFolder&) = delete;
   ScratchFolder& operator=(const ScratchFolder&) = delete;

   // Write access comes back first, in case a test took it away; what still cannot be
   // removed is left behind rather than failing a test that has finished.
   ~ScratchFolder()
   {
      boost::system::error_code ec;
      boost::filesystem::permissions(*this, boost::filesystem::all_all, ec);
      boost::filesystem::remove_all(*this, ec);
   }
};

} // namespace velorin::core::testing
