// JsonSchemaConcurrencyTest.cpp: threads validating against the same schema texts at
// once, each with its own documents, each get the verdicts one thread alone would.
#include <shared_core/json/Json.hpp>

#include <string>

#include <gtest/gtest.h>

#include "ThreadsStartingTogether.hpp"

namespace velorin::core::json {
namespace {

TEST(JsonSchemaConcurrency, ThreadsSharingSchemaTextsGetTheirOwnVerdicts)
{
   // Patterns keep match state while they run, so two threads must never share one
   // compiled pattern at the same time.
   const std::string names = R"({"properties":{"name":{"type":"string","pattern":"^[a-z]+$"}}})";
   const std::string closed = R"({"patternProperties":{"^a":{"type":"integer"}},"additionalProperties":false})";
   struct Case
   {
      const std::string& schema;
      std::string document;
      bool valid;
   } const cases[] = {
      {names, R"({"name":"abcdefghijklmnopqrstuvwxyz"})", true},
      {names, R"({"name":"abcdefghijklmnopqrstuvwxy1"})", false},
      {closed, R"({"ab":1,"ac":2})", true},
      {closed, R"({"ab":1,"b":2})", false},
   };
   EXPECT_EQ(0, testing::countFailedRounds(8, 200, [&](int thread, int round) {
                const Case& c = cases[(thread + round) % std::size(cases)];
                Value value;
                return !value.parse(c.document) && !value.validate(c.schema) == c.valid;
             }));
}

} // namespace
} // namespace velorin::core::json
