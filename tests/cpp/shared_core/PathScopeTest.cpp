// PathScopeTest.cpp: the guards that remove a path and restore the working directory.
#include <shared_core/PathScope.hpp>

#include <fstream>
#include <stdexcept>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core {
namespace {

using testing::captureLog;

class PathScopeTest : public ::testing::Test
{
protected:
   void SetUp() override
   {
      original_ = boost::filesystem::current_path();
   }

   void TearDown() override
   {
      boost::system::error_code ec;
      boost::filesystem::current_path(original_, ec);
   }

   FilePath at(const std::string& relative) const { return FilePath((root_ / relative).string()); }

   boost::filesystem::path original_;
   const testing::ScratchFolder root_{"velorin-scope-%%%%-%%%%"};
};

TEST_F(PathScopeTest, RemovesAFileAlsoWhenTheScopeEndsByAnException)
{
   const FilePath normal = at("normal.txt");
   const FilePath thrown = at("thrown.txt");
   std::ofstream(normal.getAbsolutePath()) << "x";
   std::ofstream(thrown.getAbsolutePath()) << "x";
   {
      RemoveOnExitScope scope(normal, ERROR_LOCATION);
      EXPECT_TRUE(normal.exists()) << "nothing happens before the scope ends";
   }
   EXPECT_FALSE(normal.exists());

   EXPECT_THROW(
      {
         RemoveOnExitScope scope(thrown, ERROR_LOCATION);
         throw std::runtime_error("leaving");
      },
      std::runtime_error);
   EXPECT_FALSE(thrown.exists());
}

TEST_F(PathScopeTest, RemovesAFolderWithItsContents)
{
   const FilePath folder = at("folder");
   ASSERT_FALSE(folder.completePath("a/b").ensureDirectory());
   std::ofstream(folder.completePath("a/b/c.txt").getAbsolutePath()) << "x";
   {
      RemoveOnExitScope scope(folder, ERROR_LOCATION);
   }
   EXPECT_FALSE(folder.exists());
}

TEST_F(PathScopeTest, AMissingPathIsNoError)
{
   auto log = captureLog();
   {
      RemoveOnExitScope scope(at("never-made"), ERROR_LOCATION);
   }
   EXPECT_TRUE(log->lines().empty());
}

TEST_F(PathScopeTest, RestoresTheWorkingDirectory)
{
   const FilePath saved(boost::filesystem::current_path().string());
   ASSERT_FALSE(at("other").ensureDirectory());
   EXPECT_THROW(
      {
         RestoreCurrentPathScope scope(saved, ERROR_LOCATION);
         ASSERT_FALSE(at("other").makeCurrentPath());
         EXPECT_TRUE(boost::filesystem::equivalent(root_ / "other", boost::filesystem::current_path()));
         throw std::runtime_error("leaving");
      },
      std::runtime_error);
   EXPECT_EQ(saved.getAbsolutePath(), boost::filesystem::current_path().generic_string());
}

TEST_F(PathScopeTest, AVanishedFolderIsLoggedUnderTheSavedLocation)
{
   auto log = captureLog();
   const FilePath doomed = at("doomed");
   ASSERT_FALSE(doomed.ensureDirectory());
   ASSERT_FALSE(at("stay").ensureDirectory());
   const ErrorLocation location("void setUp()", "guard.cpp", 42);
   {
      RestoreCurrentPathScope scope(doomed, location);
      ASSERT_FALSE(at("stay").makeCurrentPath());
      ASSERT_FALSE(doomed.remove());
   }
   EXPECT_FALSE(doomed.exists()) << "a vanished folder is not made again";
   EXPECT_TRUE(boost::filesystem::equivalent(root_ / "stay", boost::filesystem::current_path()));
   ASSERT_EQ(1u, log->lines().size());
   const std::string line = log->lines()[0];
   EXPECT_NE(std::string::npos, line.find("system error 2")) << line;
   EXPECT_NE(std::string::npos, line.find("LOGGED FROM: void setUp() guard.cpp:42")) << line;
}

} // namespace
} // namespace velorin::core
