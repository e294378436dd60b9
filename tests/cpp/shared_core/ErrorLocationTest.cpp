// ErrorLocationTest.cpp: locations, their text, copies and moves.
#include <shared_core/ErrorLocation.hpp>

#include <sstream>
#include <utility>

#include <gtest/gtest.h>

namespace velorin::core {
namespace {

TEST(ErrorLocationTest, EmptyLocationHasNoLocation)
{
   ErrorLocation empty;
   EXPECT_FALSE(empty.hasLocation());
   EXPECT_EQ(" :0", empty.asString());
}

TEST(ErrorLocationTest, OnlyPositiveLinesCountAsALocation)
{
   EXPECT_TRUE(ErrorLocation("f()", "x", 1).hasLocation());
   EXPECT_FALSE(ErrorLocation("f()", "x", 0).hasLocation());
   ErrorLocation negative("f()", "x", -3);
   EXPECT_FALSE(negative.hasLocation());
   EXPECT_EQ("f() x:-3", negative.asString());
}

TEST(ErrorLocationTest, TextAndStreamOutput)
{
   ErrorLocation location("int f(int)", "src/a.cpp", 42);
   EXPECT_EQ("int f(int) src/a.cpp:42", location.asString());
   std::ostringstream stream;
   stream << location;
   EXPECT_EQ(location.asString(), stream.str());
}

TEST(ErrorLocationTest, CopiesAreDeepAndEqual)
{
   ErrorLocation original("f()", "x", 3);
   ErrorLocation copy(original);
   EXPECT_EQ(original, copy);
   copy = ErrorLocation("g()", "x", 3);
   EXPECT_NE(original, copy);
   EXPECT_EQ("f()", original.getFunction());
   const ErrorLocation& self = copy;
   copy = self;
   EXPECT_EQ("g()", copy.getFunction());
}

TEST(ErrorLocationTest, MovedFromLocationReadsAsEmpty)
{
   ErrorLocation source("f()", "x", 3);
   ErrorLocation target(std::move(source));
   EXPECT_EQ("f() x:3", target.asString());
   EXPECT_EQ(ErrorLocation(), source); // NOLINT(bugprone-use-after-move): defined state
   EXPECT_EQ(" :0", source.asString());
}

} // namespace
} // namespace velorin::core
