// ErrorTest.cpp: error values, their text, copy-on-write and comparison.
#include <shared_core/Error.hpp>

#include <sstream>

#include <boost/system/error_code.hpp>
#include <gtest/gtest.h>

#include "UnderWine.hpp"

namespace velorin::core {
namespace {

ErrorLocation location(const char* function = "f()", const char* file = "x", long line = 7)
{
   return ErrorLocation(function, file, line);
}

TEST(ErrorTest, SuccessValuesAreNotErrorsAndCompareEqual)
{
   Error defaultError;
   Success success;
   Error zeroCode("anything", 0, "message", location());

   EXPECT_FALSE(defaultError.isError());
   EXPECT_FALSE(success);
   EXPECT_TRUE(!success);
   EXPECT_EQ(0, success.getCode());
   EXPECT_EQ("", success.getName());
   EXPECT_FALSE(zeroCode.isError());
   EXPECT_TRUE(defaultError == success);
   EXPECT_TRUE(success == zeroCode);
   EXPECT_TRUE(success == boost::system::error_code());
   EXPECT_FALSE(success == systemError(2, location()));
}

TEST(ErrorTest, TextOfSuccessHasEmptyLocation)
{
   EXPECT_EQ(" error 0 (); OCCURRED AT  :0", Success().asString());
}

TEST(ErrorTest, TextJoinsSummaryPropertiesLocationAndCause)
{
   Error error("system", 2, "File not found", location());
   error.addProperty("path", "C:/a;b.txt");
   EXPECT_EQ("system error 2 (File not found) [path: C:/a b.txt]; OCCURRED AT f() x:7", error.asString());

   std::ostringstream stream;
   stream << error;
   EXPECT_EQ(error.asString(), stream.str());
}

TEST(ErrorTest, SemicolonsBecomeSpacesExceptBetweenParts)
{
   Error cause("inner;name", 5, "in;ner", location("g(int;)", "y", 3));
   Error error("outer", 1, "out;er", cause, location("f(a;b)", "x;y", 9));
   error.addProperty("k;ey", "va;lue");
   EXPECT_EQ("outer error 1 (out er) [k ey: va lue]; OCCURRED AT f(a b) x y:9"
             "; CAUSED BY: inner name error 5 (in ner); OCCURRED AT g(int ) y:3",
             error.asString());
}

TEST(ErrorTest, CauseThatIsNotAnErrorIsLeftOut)
{
   Error error("outer", 1, "m", Success(), location());
   EXPECT_EQ("outer error 1 (m); OCCURRED AT f() x:7", error.asString());
}

TEST(ErrorTest, EqualityComparesCodeAndNameOnly)
{
   Error a("name", 3, "one", location("f()", "x", 1));
   Error b("name", 3, "two", location("g()", "y", 2));
   b.addProperty("path", "p");
   Error otherName("other", 3, location());
   EXPECT_TRUE(a == b);
   EXPECT_FALSE(a != b);
   EXPECT_TRUE(a != otherName);
}

TEST(ErrorTest, ComparesWithErrorCodesByCategoryName)
{
   const boost::system::error_code ec(13, boost::system::generic_category());
   Error fromCode(ec, location());
   EXPECT_EQ("generic", fromCode.getName());
   EXPECT_EQ(ec.message(), fromCode.getMessage());
   EXPECT_TRUE(fromCode == ec);
   EXPECT_FALSE(Error("system", 13, location()) == ec);
   EXPECT_TRUE(Error("system", 13, location()) != ec);
}

TEST(ErrorTest, ConstructorsFillEveryField)
{
   const boost::system::error_code ec(2, boost::system::generic_category());
   Error cause = unknownError("cause", location());

   Error withMessage(ec, "custom", cause, location());
   EXPECT_EQ(2, withMessage.getCode());
   EXPECT_EQ("generic", withMessage.getName());
   EXPECT_EQ("custom", withMessage.getMessage());
   EXPECT_TRUE(withMessage.getCause() == cause);
   EXPECT_EQ(location(), withMessage.getLocation());

   Error named("MyError", 4, cause, location());
   EXPECT_EQ("", named.getMessage());
   EXPECT_EQ("UnknownError", named.getCause().getName());
   EXPECT_EQ(1, named.getCause().getCode());
   EXPECT_FALSE(named.getCause().getCause().isError());
}

TEST(ErrorTest, PropertiesKeepOrderAndDuplicates)
{
   Error error("e", 1, location());
   error.addProperty("path", "first");
   error.addProperty("path", "second");
   error.addProperty("count", -42);
   EXPECT_EQ("first", error.getProperty("path"));
   EXPECT_EQ("-42", error.getProperty("count"));
   EXPECT_EQ("", error.getProperty("missing"));

   error.addOrUpdateProperty("path", "updated");
   error.addOrUpdateProperty("new", 12345678);
   const Error::Properties expected = {
      {"path", "updated"}, {"path", "second"}, {"count", "-42"}, {"new", "12345678"}};
   EXPECT_EQ(expected, error.getProperties());
}

TEST(ErrorTest, ChangingACopyLeavesTheOriginalAlone)
{
   Error original("e", 1, "m", location());
   Error copy = original;
   copy.addProperty("path", "p");
   EXPECT_TRUE(original.getProperties().empty());
   EXPECT_EQ("p", copy.getProperty("path"));
   EXPECT_EQ(original.getLocation(), copy.getLocation());
   EXPECT_EQ("m", copy.getMessage());
}

TEST(ErrorTest, ChangingTheOnlyHolderChangesInPlace)
{
   Error error("e", 1, location());
   const Error::Properties* before = &error.getProperties();
   error.addProperty("a", "b");
   EXPECT_EQ(before, &error.getProperties());
}

TEST(ErrorTest, AddingAPropertyToSuccessKeepsItASuccess)
{
   Success success;
   success.addProperty("path", "p");
   EXPECT_FALSE(success.isError());
   EXPECT_EQ("p", success.getProperty("path"));
}

TEST(ErrorTest, ExpectedIsTheExactValueYes)
{
   Error error("e", 1, location());
   EXPECT_FALSE(error.isExpected());
   error.setExpected();
   error.setExpected();
   EXPECT_TRUE(error.isExpected());
   EXPECT_EQ(2u, error.getProperties().size());

   Error capitalised("e", 1, location());
   capitalised.addProperty("expected", "Yes");
   EXPECT_FALSE(capitalised.isExpected());
}

TEST(ErrorTest, SystemAndUnknownErrors)
{
   Error plain = systemError(5, location());
   EXPECT_EQ("system", plain.getName());
   EXPECT_EQ(5, plain.getCode());
   // Wine's FormatMessage has texts of its own.
   if (!testing::runningUnderWine())
   {
      EXPECT_EQ("Access is denied", plain.getMessage());
   }

   Error described = systemError(80, "target exists", location());
   const Error::Properties expected = {{"description", "target exists"}};
   EXPECT_EQ(expected, described.getProperties());
   if (!testing::runningUnderWine())
   {
      EXPECT_EQ("The file exists", described.getMessage());
   }

   Error caused = systemError(32, plain, location());
   EXPECT_TRUE(caused.getCause() == plain);

   Error unknown = unknownError("boom", location());
   EXPECT_EQ("UnknownError", unknown.getName());
   EXPECT_EQ(1, unknown.getCode());
   EXPECT_EQ("boom", unknown.getMessage());
   EXPECT_TRUE(unknownError("boom", plain, location()).getCause() == plain);
}

TEST(ErrorTest, ErrorLocationMacroNamesThisFunctionAndFile)
{
   const long line = __LINE__ + 1;
   Error error("e", 1, ERROR_LOCATION);
   EXPECT_EQ(line, error.getLocation().getLine());
   EXPECT_EQ("tests/cpp/shared_core/ErrorTest.cpp", error.getLocation().getFile());
   EXPECT_NE(std::string::npos, error.getLocation().getFunction().find("TestBody"));
}

} // namespace
} // namespace velorin::core
