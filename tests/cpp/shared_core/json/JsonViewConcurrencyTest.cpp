// JsonViewConcurrencyTest.cpp: threads iterating their own documents at once, and
// members made on one thread that are read and dropped on another, keep their values
// and free cleanly.
#include <shared_core/json/Json.hpp>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace velorin::core::json {
namespace {

Object numbered(int count)
{
   std::string text = "{";
   for (int i = 0; i < count; ++i)
      text += (i ? ",\"" : "\"") + std::to_string(i) + "\":" + std::to_string(i);
   Value value;
   EXPECT_FALSE(value.parse(text + "}"));
   return value.getObject();
}

TEST(JsonViewConcurrency, ThreadsIterateTheirOwnDocumentsAndDropEachOthersMembers)
{
   constexpr int kThreads = 8;
   constexpr int kMembers = 1000;
   constexpr std::int64_t kSum = std::int64_t{kMembers} * (kMembers - 1) / 2;
   // Each thread keeps every member of its document; another thread reads and drops them.
   std::vector<std::vector<Object::Member>> kept(kThreads);
   std::atomic<int> wrongSums{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < kThreads; ++t)
   {
      threads.emplace_back([&, t] {
         const Object object = numbered(kMembers);
         Array array;
         for (int i = 0; i < kMembers; ++i)
            array.push_back(Value(i));
         for (int round = 0; round < 10; ++round)
         {
            std::int64_t sum = 0;
            for (const Value& element : array)
               sum += element.getInt64();
            for (const Object::Member& member : object)
               sum += member.getValue().getInt64() - std::stoi(member.getName());
            if (sum != kSum)
               ++wrongSums;
         }
         for (const Object::Member& member : object)
            kept[t].push_back(member);
      });
   }
   for (std::thread& thread : threads)
      thread.join();
   threads.clear();
   for (int t = 0; t < kThreads; ++t)
   {
      threads.emplace_back([&, t] {
         std::int64_t sum = 0;
         for (const Object::Member& member : kept[(t + 1) % kThreads])
            sum += member.getValue().getInt64() + std::stoi(member.getName());
         if (sum != 2 * kSum)
            ++wrongSums;
      });
   }
   for (std::thread& thread : threads)
      thread.join();
   threads.clear();
   for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] { kept[(t + 1) % kThreads].clear(); });
   for (std::thread& thread : threads)
      thread.join();
   EXPECT_EQ(0, wrongSums);
}

} // namespace
} // namespace velorin::core::json
