// BoostErrorCategoriesTest.cpp: the interprocess and thread error categories.
#include <shared_core/BoostErrorCategories.hpp>

#include <cerrno>

#include <gtest/gtest.h>

#include <platform/Win32Api.hpp>
#include <shared_core/Error.hpp>

#include "UnderWine.hpp"

namespace velorin::core {
namespace {

TEST(BoostErrorCategoriesTest, InterprocessMessages)
{
   const auto& category = boost::interprocess::interprocess_category();
   EXPECT_STREQ("interprocess", category.name());
   const std::pair<int, const char*> cases[] = {
      {0, "No error"},     {1, "System error"}, {7, "Not found error"}, {16, "Sem error"},
      {19, "Corrupted error"}, {20, "Unknown error"}, {-1, "Unknown error"}};
   for (const auto& c : cases)
      EXPECT_EQ(c.second, category.message(c.first)) << c.first;
}

TEST(BoostErrorCategoriesTest, InterprocessKindsStayInTheirCategory)
{
   const boost::interprocess::interprocess_exception e(
      boost::interprocess::error_info(boost::interprocess::not_found_error));
   const boost::system::error_code ec = boost::interprocess::error_code_from_exception(e);
   EXPECT_EQ(7, ec.value());
   EXPECT_EQ(&boost::interprocess::interprocess_category(), &ec.category());
   EXPECT_EQ("interprocess error 7 (Not found error)", Error(ec, ErrorLocation()).getSummary());
}

TEST(BoostErrorCategoriesTest, InterprocessSystemErrorsBecomeWin32SystemErrors)
{
   // A native bad-descriptor error is reported with the Win32 number for it; on
   // Windows the native number is that one already.
#ifdef _WIN32
   const int badDescriptor = ERROR_INVALID_HANDLE;
#else
   const int badDescriptor = EBADF;
#endif
   const boost::interprocess::interprocess_exception e{boost::interprocess::error_info(badDescriptor)};
   ASSERT_EQ(boost::interprocess::system_error, e.get_error_code());
   const Error error(boost::interprocess::error_code_from_exception(e), ErrorLocation());
   EXPECT_EQ("system", error.getName());
   EXPECT_EQ(6, error.getCode());
   // Wine's FormatMessage has texts of its own.
   if (!testing::runningUnderWine())
   {
      EXPECT_EQ("The handle is invalid", error.getMessage());
   }
   EXPECT_TRUE(error == systemError(6, ErrorLocation()));
}

TEST(BoostErrorCategoriesTest, ThreadResourceErrorsAreThreadCodeOne)
{
   const boost::thread_resource_error e(EAGAIN, "no threads left");
   const Error error(boost::thread_error::error_code_from_exception(e), ErrorLocation());
   EXPECT_EQ("thread", error.getName());
   EXPECT_EQ(1, error.getCode());
   EXPECT_EQ("Thread resource error", error.getMessage());
   EXPECT_TRUE(error == Error("thread", 1, ErrorLocation()));
   EXPECT_EQ("Thread resource error", boost::thread_error::thread_category().message(42));
}

} // namespace
} // namespace velorin::core
