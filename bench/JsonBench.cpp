// JsonBench.cpp: the JSON model beside raw RapidJSON and nlohmann::json.
//
// Each operation runs on the same inputs on every side: a generated document of about
// 10 MB, a few hundred JSON-RPC-sized bodies, an object of 10,000 members and an array
// of 100,000 numbers. RapidJSON stands twice: on the model's own CrtAllocator, which
// shows what the wrapper costs, and on its default MemoryPoolAllocator, which is what
// a user of RapidJSON gets. Each peer reads values as it would in normal use: RapidJSON
// names and strings in place, where the model hands out copies.
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/schema.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <shared_core/json/Json.hpp>

using namespace velorin::core;

namespace {

using CrtDocument = rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::CrtAllocator, rapidjson::CrtAllocator>;
using PoolDocument = rapidjson::Document;

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

constexpr std::size_t kMemberCount = 10000;
constexpr std::size_t kElementCount = 100000;

const std::string& wideObject()
{
   static const std::string text = [] {
      std::string out = "{";
      for (std::size_t i = 0; i < kMemberCount; ++i)
      {
         if (i)
            out += ',';
         out += "\"member" + std::to_string(i) + "\":" + std::to_string(i);
      }
      return out + "}";
   }();
   return text;
}

const std::string& numberArray()
{
   static const std::string text = [] {
      std::string out = "[";
      for (std::size_t i = 0; i < kElementCount; ++i)
         out += (i ? "," : "") + std::to_string(i);
      return out + "]";
   }();
   return text;
}

// What a JSON-RPC server asks of every body it takes.
const std::string& rpcSchema()
{
   static const std::string text = R"({
      "type": "object",
      "required": ["method", "clientId", "params"],
      "properties": {
         "method": {"type": "string", "pattern": "^get_"},
         "clientId": {"type": "string", "minLength": 1},
         "clientVersion": {"type": "string"},
         "params": {"type": "array"},
         "kwparams": {"type": "object", "properties": {"verbose": {"type": "boolean"}}}
      }
   })";
   return text;
}

std::vector<std::string> lookupNames()
{
   std::vector<std::string> names;
   for (std::size_t i = 0; i < kMemberCount; i += 97)
      names.push_back("member" + std::to_string(i));
   return names;
}

const std::vector<const std::string*>& largeInput()
{
   static const std::vector<const std::string*> texts = {&largeDocument()};
   return texts;
}

const std::vector<const std::string*>& smallInputs()
{
   static const std::vector<const std::string*> texts = [] {
      std::vector<const std::string*> out;
      for (const std::string& body : rpcBodies())
         out.push_back(&body);
      return out;
   }();
   return texts;
}

using Inputs = const std::vector<const std::string*>& (*)();

template <typename Document>
void parse(Document& document, const std::string& text, benchmark::State& state)
{
   document.Parse(text.c_str(), text.size());
   if (document.HasParseError())
      state.SkipWithError("parse failed");
}

json::Value parsed(const std::string& text)
{
   json::Value value;
   ignoreError(value.parse(text)); // the benchmark's own texts are well formed
   return value;
}

// ----- Parsing and writing ----------------------------------------------------

void parseWriteCore(benchmark::State& state, Inputs inputs)
{
   std::size_t bytes = 0;
   for (auto _ : state)
   {
      for (const std::string* text : inputs())
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

template <typename Document>
void parseWriteRapid(benchmark::State& state, Inputs inputs)
{
   std::size_t bytes = 0;
   for (auto _ : state)
   {
      for (const std::string* text : inputs())
      {
         Document document;
         parse(document, *text, state);
         rapidjson::StringBuffer buffer;
         rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
         document.Accept(writer);
         std::string out(buffer.GetString(), buffer.GetSize());
         bytes += text->size();
         benchmark::DoNotOptimize(out.data());
      }
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void parseWriteNlohmann(benchmark::State& state, Inputs inputs)
{
   std::size_t bytes = 0;
   for (auto _ : state)
   {
      for (const std::string* text : inputs())
      {
         nlohmann::json value = nlohmann::json::parse(*text);
         std::string out = value.dump();
         bytes += text->size();
         benchmark::DoNotOptimize(out.data());
      }
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

// ----- Member lookup ----------------------------------------------------------

void memberLookupCore(benchmark::State& state)
{
   json::Object object = parsed(wideObject()).getObject();
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

template <typename Document>
void memberLookupRapid(benchmark::State& state)
{
   Document document;
   parse(document, wideObject(), state);
   const std::vector<std::string> names = lookupNames();
   for (auto _ : state)
   {
      std::int64_t sum = 0;
      for (const std::string& name : names)
      {
         typename Document::ValueType key(
            rapidjson::StringRef(name.c_str(), static_cast<rapidjson::SizeType>(name.size())));
         sum += document.FindMember(key)->value.GetInt64();
      }
      benchmark::DoNotOptimize(sum);
   }
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * names.size()));
}

void memberLookupNlohmann(benchmark::State& state)
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

// ----- Member and element iteration -------------------------------------------

// Runs sumOnce as one iteration, which visits steps members or elements. Lookups keep
// their own loops: inside a closure RapidJSON's lookup loses a fifth of its speed.
template <typename Sum>
void sumEachIteration(benchmark::State& state, std::size_t steps, Sum sumOnce)
{
   for (auto _ : state)
      benchmark::DoNotOptimize(sumOnce());
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * steps));
}

void memberIterationCore(benchmark::State& state)
{
   json::Object object = parsed(wideObject()).getObject();
   sumEachIteration(state, kMemberCount, [&] {
      std::int64_t sum = 0;
      for (const json::Object::Member& member : object)
         sum += static_cast<std::int64_t>(member.getName().size()) + member.getValue().getInt64();
      return sum;
   });
}

template <typename Document>
void memberIterationRapid(benchmark::State& state)
{
   Document document;
   parse(document, wideObject(), state);
   sumEachIteration(state, kMemberCount, [&] {
      std::int64_t sum = 0;
      for (const auto& member : document.GetObject())
         sum += static_cast<std::int64_t>(member.name.GetStringLength()) + member.value.GetInt64();
      return sum;
   });
}

void memberIterationNlohmann(benchmark::State& state)
{
   nlohmann::json value = nlohmann::json::parse(wideObject());
   sumEachIteration(state, kMemberCount, [&] {
      std::int64_t sum = 0;
      for (const auto& member : value.items())
         sum += static_cast<std::int64_t>(member.key().size()) + member.value().get<std::int64_t>();
      return sum;
   });
}

void elementIterationCore(benchmark::State& state)
{
   json::Array array = parsed(numberArray()).getArray();
   sumEachIteration(state, kElementCount, [&] {
      std::int64_t sum = 0;
      for (const json::Value& element : array)
         sum += element.getInt64();
      return sum;
   });
}

template <typename Document>
void elementIterationRapid(benchmark::State& state)
{
   Document document;
   parse(document, numberArray(), state);
   sumEachIteration(state, kElementCount, [&] {
      std::int64_t sum = 0;
      for (const auto& element : document.GetArray())
         sum += element.GetInt64();
      return sum;
   });
}

void elementIterationNlohmann(benchmark::State& state)
{
   nlohmann::json value = nlohmann::json::parse(numberArray());
   sumEachIteration(state, kElementCount, [&] {
      std::int64_t sum = 0;
      for (const auto& element : value)
         sum += element.get<std::int64_t>();
      return sum;
   });
}

// ----- Walking a whole document -----------------------------------------------
// Every side adds up names' and strings' lengths and numbers, visiting every value.

std::int64_t walkCore(const json::Value& value)
{
   std::int64_t sum = 0;
   switch (value.getType())
   {
      case json::Type::Array:
         for (const json::Value& element : value.getArray())
            sum += walkCore(element);
         return sum;
      case json::Type::Object:
         for (const json::Object::Member& member : value.getObject())
            sum += static_cast<std::int64_t>(member.getName().size()) + walkCore(member.getValue());
         return sum;
      case json::Type::String:
         return static_cast<std::int64_t>(value.getString().size());
      case json::Type::Integer:
         return value.getInt64();
      case json::Type::Real:
         return static_cast<std::int64_t>(value.getDouble());
      default:
         return 1;
   }
}

template <typename Value>
std::int64_t walkRapid(const Value& value)
{
   std::int64_t sum = 0;
   if (value.IsArray())
   {
      for (const auto& element : value.GetArray())
         sum += walkRapid(element);
      return sum;
   }
   if (value.IsObject())
   {
      for (const auto& member : value.GetObject())
         sum += static_cast<std::int64_t>(member.name.GetStringLength()) + walkRapid(member.value);
      return sum;
   }
   if (value.IsString())
      return static_cast<std::int64_t>(value.GetStringLength());
   if (value.IsInt64())
      return value.GetInt64();
   if (value.IsNumber())
      return static_cast<std::int64_t>(value.GetDouble());
   return 1;
}

std::int64_t walkNlohmann(const nlohmann::json& value)
{
   std::int64_t sum = 0;
   if (value.is_array())
   {
      for (const nlohmann::json& element : value)
         sum += walkNlohmann(element);
      return sum;
   }
   if (value.is_object())
   {
      for (auto member = value.begin(); member != value.end(); ++member)
         sum += static_cast<std::int64_t>(member.key().size()) + walkNlohmann(member.value());
      return sum;
   }
   if (value.is_string())
      return static_cast<std::int64_t>(value.get_ref<const std::string&>().size());
   if (value.is_number_integer())
      return value.get<std::int64_t>();
   if (value.is_number())
      return static_cast<std::int64_t>(value.get<double>());
   return 1;
}

void walkLargeCore(benchmark::State& state)
{
   const json::Value value = parsed(largeDocument());
   for (auto _ : state)
      benchmark::DoNotOptimize(walkCore(value));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

template <typename Document>
void walkLargeRapid(benchmark::State& state)
{
   Document document;
   parse(document, largeDocument(), state);
   for (auto _ : state)
      benchmark::DoNotOptimize(walkRapid(document));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

void walkLargeNlohmann(benchmark::State& state)
{
   const nlohmann::json value = nlohmann::json::parse(largeDocument());
   for (auto _ : state)
      benchmark::DoNotOptimize(walkNlohmann(value));
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

// ----- Deep copy ----------------------------------------------------------------

void deepCopyLargeCore(benchmark::State& state)
{
   const json::Value value = parsed(largeDocument());
   for (auto _ : state)
   {
      json::Value copy = value.clone();
      benchmark::DoNotOptimize(&copy);
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

template <typename Document>
void deepCopyLargeRapid(benchmark::State& state)
{
   Document document;
   parse(document, largeDocument(), state);
   for (auto _ : state)
   {
      Document copy;
      copy.CopyFrom(document, copy.GetAllocator());
      benchmark::DoNotOptimize(&copy);
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

void deepCopyLargeNlohmann(benchmark::State& state)
{
   const nlohmann::json value = nlohmann::json::parse(largeDocument());
   for (auto _ : state)
   {
      nlohmann::json copy = value;
      benchmark::DoNotOptimize(&copy);
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeDocument().size()));
}

// ----- Repeated validation against one schema -----------------------------------
// The model takes the schema as text on every call; RapidJSON's user compiles it once
// and makes a validator per document.

void validateCore(benchmark::State& state)
{
   std::vector<json::Value> values;
   for (const std::string& body : rpcBodies())
      values.push_back(parsed(body));
   for (auto _ : state)
   {
      for (const json::Value& value : values)
      {
         if (value.validate(rpcSchema()))
            state.SkipWithError("validation failed");
      }
   }
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}

template <typename Document>
void validateRapid(benchmark::State& state)
{
   using SchemaDocument = rapidjson::GenericSchemaDocument<typename Document::ValueType>;
   Document schemaText;
   parse(schemaText, rpcSchema(), state);
   const SchemaDocument schema(schemaText);
   std::vector<Document> documents(rpcBodies().size());
   for (std::size_t i = 0; i < documents.size(); ++i)
      parse(documents[i], rpcBodies()[i], state);
   for (auto _ : state)
   {
      for (const Document& document : documents)
      {
         rapidjson::GenericSchemaValidator<SchemaDocument> validator(schema);
         if (!document.Accept(validator))
            state.SkipWithError("validation failed");
      }
   }
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * documents.size()));
}

using Run = std::function<void(benchmark::State&)>;

// Registers one comparison as "Json/<operation>/<side>" (ComparisonMain.cpp pairs the
// sides up); a side without a run is left out.
void compare(const std::string& operation, benchmark::TimeUnit unit, Run core, Run rapidCrt, Run rapidPool,
             Run nlohmann)
{
   const std::pair<const char*, Run*> sides[] = {{"Library", &core},
                                                 {"Peer:rapidjson-crt", &rapidCrt},
                                                 {"Peer:rapidjson-pool", &rapidPool},
                                                 {"Peer:nlohmann", &nlohmann}};
   for (const auto& [side, run] : sides)
   {
      if (*run)
         benchmark::RegisterBenchmark(("Json/" + operation + "/" + side).c_str(), *run)->Unit(unit);
   }
}

// Once a program has started a thread, shared reference counts stay atomic for its
// whole life: a run given this starts one first, so it is registered after every run
// meant to measure without.
Run afterAThread(Run run)
{
   return [run](benchmark::State& state) {
      static const bool started = [] {
         std::thread([] {}).join();
         return true;
      }();
      static_cast<void>(started);
      run(state);
   };
}

const bool registered = [] {
   using benchmark::kMicrosecond;
   using benchmark::kMillisecond;
   compare(
      "ParseWriteLarge", kMillisecond, [](benchmark::State& state) { parseWriteCore(state, largeInput); },
      [](benchmark::State& state) { parseWriteRapid<CrtDocument>(state, largeInput); },
      [](benchmark::State& state) { parseWriteRapid<PoolDocument>(state, largeInput); },
      [](benchmark::State& state) { parseWriteNlohmann(state, largeInput); });
   compare(
      "ParseWriteSmall", kMicrosecond, [](benchmark::State& state) { parseWriteCore(state, smallInputs); },
      [](benchmark::State& state) { parseWriteRapid<CrtDocument>(state, smallInputs); },
      [](benchmark::State& state) { parseWriteRapid<PoolDocument>(state, smallInputs); },
      [](benchmark::State& state) { parseWriteNlohmann(state, smallInputs); });
   compare("MemberLookup", kMicrosecond, memberLookupCore, memberLookupRapid<CrtDocument>,
           memberLookupRapid<PoolDocument>, memberLookupNlohmann);
   compare("MemberIteration", kMicrosecond, memberIterationCore, memberIterationRapid<CrtDocument>,
           memberIterationRapid<PoolDocument>, memberIterationNlohmann);
   compare("ElementIteration", kMicrosecond, elementIterationCore, elementIterationRapid<CrtDocument>,
           elementIterationRapid<PoolDocument>, elementIterationNlohmann);
   compare("WalkLarge", kMillisecond, walkLargeCore, walkLargeRapid<CrtDocument>, walkLargeRapid<PoolDocument>,
           walkLargeNlohmann);
   compare("DeepCopyLarge", kMillisecond, deepCopyLargeCore, deepCopyLargeRapid<CrtDocument>,
           deepCopyLargeRapid<PoolDocument>, deepCopyLargeNlohmann);
   // nlohmann::json has no schema validation.
   compare("ValidateRepeated", kMicrosecond, validateCore, validateRapid<CrtDocument>, validateRapid<PoolDocument>,
           nullptr);
   compare("MemberIteration:after-a-thread", kMicrosecond, afterAThread(memberIterationCore), nullptr, nullptr,
           afterAThread(memberIterationNlohmann));
   compare("ElementIteration:after-a-thread", kMicrosecond, afterAThread(elementIterationCore), nullptr, nullptr,
           afterAThread(elementIterationNlohmann));
   return true;
}();

} // namespace
