// JsonSchemaConcurrencyTest.cpp: threads validating against the same schema texts at
// once, each with its own documents, each get the verdicts one thread alone would.
#include <shared_core/json/Json.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

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
   constexpr int kThreads = 8;
   constexpr int kRounds = 200;
   std::atomic<int> wrongVerdicts{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < kThreads; ++t)
   {
      threads.emplace_back([&, t] {
         for (int round = 0; round < kRounds; ++round)
         {
            const Case& c = cases[(t + round) % std::size(cases)];
            Value value;
            if (value.parse(c.document) || !value.validate(c.schema) != c.valid)
               ++wrongVerdicts;
         }
      });
   }
   for (std::thread& thread : threads)
      thread.join();
   EXPECT_EQ(0, wrongVerdicts);
}

} // namespace
} // namespace velorin::core::json
