// JsonBench.cpp: the JSON model beside raw RapidJSON (same CrtAllocator) and nlohmann::json.
//
// Each operation runs on the same inputs in the three libraries: a generated document
// of about 10 MB, a few hundred JSON-RPC-sized bodies and an object of 10,000 members.
// Names end in /core, /rapidjson or /nlohmann so the three figures stand together.
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <shared_core/json/Json.hpp>

using namespace velorin::core;

namespace {

using RapidDocument = rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::CrtAllocator, rapidjson::CrtAllocator>;
using RapidValue = RapidDocument::ValueType;

rapidjson::CrtAllocator g_allocator;

// A fixed pseudo-random sequence, so every run measures the same text.
class Generator
{
public:
   std::uint32_t next()
   {
      state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<std::uint32_t>(state_ >> 33);
   }

   std::string word()
   {
      static const char* const kWords[] = {"alpha", "beta", "gamma", "delta", "epsilon",
                                           "zeta", "eta", "theta", "iota", "kappa"};
      return kWords[next() % 10];
   }

   void appendValue(std::string& out, int depth)
   {
      switch (depth > 3 ? next() % 4 : next() % 6)
      {
         case 0:
            out += '"' + word() + " " + word() + " \\\"quoted\\\" " + std::to_string(next()) + '"';
            break;
         case 1:
            out += std::to_string(static_cast<std::int32_t>(next()));
            break;
         case 2:
            out += std::to_string(next() % 100000) + "." + std::to_string(next() % 1000);
            break;
         case 3:
            out += next() % 2 ? "true" : "null";
            break;
         case 4:
         {
            out += '[';
            unsigned count = next() % 8;
            for (unsigned i = 0; i < count; ++i)
            {
               if (i)
                  out += ',';
               appendValue(out, depth + 1);
            }
            out += ']';
            break;
         }
         default:
         {
            out += '{';
            unsigned count = next() % 8;
            for (unsigned i = 0; i < count; ++i)
            {
               if (i)
                  out += ',';
               out += '"' + word() + std::to_string(i) + "\":";
               appendValue(out, depth + 1);
            }
            out += '}';
            break;
         }
      }
   }

private:
   std::uint64_t state_ = 42;
};

const std::string& largeDocument()
{
   static const std::string text = [] {
      Generator generator;
      std::string out = "[";
      while (out.size() < 10 * 1024 * 1024)
      {
         if (out.size() > 1)
            out += ',';
         out += "{\"id\":" + std::to_string(generator.next()) + ",\"payload\":";
         generator.appendValue(out, 1);
         out += '}';
      }
      out += ']';
      return out;
   }();
   return text;
}

const std::vector<std::string>& rpcBodies()
{
   static const std::vector<std::string> bodies = [] {
      Generator generator;
      std::vector<std::string> out;
      for (int i = 0; i < 300; ++i)
      {
         std::string body = R"({"method":"get_)" + generator.word() + R"(","clientId":")" +
                            std::to_string(generator.next()) + R"(","clientVersion":"1.2.3","params":[)";
         unsigned count = 1 + generator.next() % 5;
         for (unsigned p = 0; p < count; ++p)
         {
            if (p)
               body += ',';
            generator.appendValue(body, 3);
         }
         body += R"(],"kwparams":{"verbose":true}})";
         out.push_back(body);
      }
      return out;
   }();
   return bodies;
}

const std::string& wideObject()
{
   static const std::string text = [] {
      std::string out = "{";
      for (int i = 0; i < 10000; ++i)
      {
         if (i)
            out += ',';
         out += "\"member" + std::to_string(i) + "\":" + std::to_string(i);
      }
      return out + "}";
   }();
   return text;
}

std::vector<std::string> lookupNames()
{
   std::vector<std::string> names;
   for (int i = 0; i < 10000; i += 97)
      names.push_back("member" + std::to_string(i));
   return names;
}

std::string rapidWrite(const RapidValue& value)
{
   rapidjson::StringBuffer buffer(&g_allocator);
   rapidjson::Writer<rapidjson::StringBuffer> writer(buffer, &g_allocator);
   value.Accept(writer);
   return std::string(buffer.GetString(), buffer.GetSize());
}

void parseWriteCore(benchmark::State& state, const std::vector<const std::string*>& texts)
{
   std::size_t bytes = 0;
   for (auto _ : state)
   {
      for (const std::string* text : texts)
      {
         json::Value value;
         if (value.parse(*text))
            state.SkipWithError("parse failed");
         std::string out = value.write();
         bytes += text->size();
         benchmark::DoNotOptimize(out.data());
      }
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void parseWriteRapid(benchmark::State& state, const std::vector<const std::string*>& texts)
{
   std::size_t bytes = 0;
   for (auto _ : state)
   {
      for (const std::string* text : texts)
      {
         RapidDocument document(&g_allocator, 1024, &g_allocator);
         document.Parse(text->c_str());
         if (document.HasParseError())
            state.SkipWithError("parse failed");
         std::string out = rapidWrite(document);
         bytes += text->size();
         benchmark::DoNotOptimize(out.data());
      }
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void parseWriteNlohmann(benchmark::State& state, const std::vector<const std::string*>& texts)
{
   std::size_t bytes = 0;
   for (auto _ : state)
   {
      for (const std::string* text : texts)
      {
         nlohmann::json value = nlohmann::json::parse(*text);
         std::string out = value.dump();
         bytes += text->size();
         benchmark::DoNotOptimize(out.data());
      }
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

std::vector<const std::string*> largeInput()
{
   return {&largeDocument()};
}

std::vector<const std::string*> smallInputs()
{
   std::vector<const std::string*> texts;
   for (const std::string& body : rpcBodies())
      texts.push_back(&body);
   return texts;
}

void BM_ParseWriteLarge_core(benchmark::State& state)
{
   parseWriteCore(state, largeInput());
}
void BM_ParseWriteLarge_rapidjson(benchmark::State& state)
{
   parseWriteRapid(state, largeInput());
}
void BM_ParseWriteLarge_nlohmann(benchmark::State& state)
{
   parseWriteNlohmann(state, largeInput());
}
void BM_ParseWriteSmall_core(benchmark::State& state)
{
   parseWriteCore(state, smallInputs());
}
void BM_ParseWriteSmall_rapidjson(benchmark::State& state)
{
   parseWriteRapid(state, smallInputs());
}
void BM_ParseWriteSmall_nlohmann(benchmark::State& state)
{
   parseWriteNlohmann(state, smallInputs());
}

void BM_MemberLookup_core(benchmark::State& state)
{
   json::Value value;
   value.parse(wideObject());
   json::Object object = value.getObject();
   const std::vector<std::string> names = lookupNames();
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const std::string& name : names)
         sum += (*object.find(name)).getValue().getInt64();
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * names.size()));
}

void BM_MemberLookup_rapidjson(benchmark::State& state)
{
   RapidDocument document(&g_allocator, 1024, &g_allocator);
   document.Parse(wideObject().c_str());
   const std::vector<std::string> names = lookupNames();
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const std::string& name : names)
      {
         RapidValue key(rapidjson::StringRef(name.c_str(), static_cast<rapidjson::SizeType>(name.size())));
         sum += document.FindMember(key)->value.GetInt64();
      }
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * names.size()));
}

void BM_MemberLookup_nlohmann(benchmark::State& state)
{
   nlohmann::json value = nlohmann::json::parse(wideObject());
   const std::vector<std::string> names = lookupNames();
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const std::string& name : names)
         sum += value.find(name)->get<std::int64_t>();
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * names.size()));
}

void BM_MemberIteration_core(benchmark::State& state)
{
   json::Value value;
   value.parse(wideObject());
   json::Object object = value.getObject();
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const json::Object::Member& member : object)
         sum += static_cast<std::int64_t>(member.getName().size()) + member.getValue().getInt64();
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(state.iterations() * 10000);
}

void BM_MemberIteration_rapidjson(benchmark::State& state)
{
   RapidDocument document(&g_allocator, 1024, &g_allocator);
   document.Parse(wideObject().c_str());
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const auto& member : document.GetObject())
      {
         std::string name(member.name.GetString(), member.name.GetStringLength());
         sum += static_cast<std::int64_t>(name.size()) + member.value.GetInt64();
      }
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(state.iterations() * 10000);
}

void BM_MemberIteration_nlohmann(benchmark::State& state)
{
   nlohmann::json value = nlohmann::json::parse(wideObject());
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const auto& member : value.items())
         sum += static_cast<std::int64_t>(member.key().size()) + member.value().get<std::int64_t>();
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(state.iterations() * 10000);
}

void BM_DeepCopyLarge_core(benchmark::State& state)
{
   json::Value value;
   value.parse(largeDocument());
   for (auto _ : state)
   {
      json::Value copy = value.clone();
      benchmark::DoNotOptimize(&copy);
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

void BM_DeepCopyLarge_rapidjson(benchmark::State& state)
{
   RapidDocument document(&g_allocator, 1024, &g_allocator);
   document.Parse(largeDocument().c_str());
   for (auto _ : state)
   {
      RapidValue copy(document, g_allocator);
      benchmark::DoNotOptimize(&copy);
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

void BM_DeepCopyLarge_nlohmann(benchmark::State& state)
{
   nlohmann::json value = nlohmann::json::parse(largeDocument());
   for (auto _ : state)
   {
      nlohmann::json copy = value;
      benchmark::DoNotOptimize(&copy);
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

} // namespace

BENCHMARK(BM_ParseWriteLarge_core)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWriteLarge_rapidjson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWriteLarge_nlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWriteSmall_core)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseWriteSmall_rapidjson)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseWriteSmall_nlohmann)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemberLookup_core)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemberLookup_rapidjson)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemberLookup_nlohmann)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemberIteration_core)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemberIteration_rapidjson)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemberIteration_nlohmann)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeepCopyLarge_core)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeepCopyLarge_rapidjson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeepCopyLarge_nlohmann)->Unit(benchmark::kMillisecond);
