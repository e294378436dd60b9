// JsonPointerFuzzer.cpp: values stored at JSON Pointer paths. A path written from
// tokens (plain, or as a URI fragment) stores a copy of the value exactly where a
// reference walk over a plain model of the document puts it, creating what is missing
// as the pointer's rules say; text that is not a pointer fails with "json-pointer-parse"
// and an offset inside it, and leaves the value as it was.
#include <shared_core/json/Json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <rapidjson/error/error.h>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::json;
using velorin::fuzz::check;

// The document as plain data: a scalar as its written text, containers as lists.
struct Node
{
   Type type = Type::Null;
   std::string scalar = "null";
   std::vector<Node> elements;
   std::vector<std::pair<std::string, Node>> members;

   bool operator==(const Node& other) const
   {
      return type == other.type && scalar == other.scalar && elements == other.elements && members == other.members;
   }
};

Node toNode(const Value& value)
{
   Node node;
   node.type = value.getType();
   if (value.isArray())
   {
      node.scalar.clear();
      const Array array = value.getArray();
      for (unsigned i = 0; i < array.getSize(); ++i)
         node.elements.push_back(toNode(array[i]));
   }
   else if (value.isObject())
   {
      node.scalar.clear();
      const Object object = value.getObject();
      for (auto it = object.begin(); it != object.end(); ++it)
         node.members.emplace_back((*it).getName(), toNode((*it).getValue()));
   }
   else
   {
      node.scalar = value.write();
   }
   return node;
}

std::size_t nesting(const Node& node)
{
   std::size_t deepest = 0;
   for (const Node& element : node.elements)
      deepest = std::max(deepest, nesting(element));
   for (const auto& member : node.members)
      deepest = std::max(deepest, nesting(member.second));
   return node.type == Type::Array || node.type == Type::Object ? deepest + 1 : 0;
}

// The value stays nested no deeper than parsed text may be.
bool refusedAsTooDeep(const velorin::core::Error& error, std::size_t tokens, const Node& stored)
{
   return error.getName() == jsonPointerParseCategory().name() &&
          error.getCode() == rapidjson::kParseErrorTermination && tokens + nesting(stored) > 1000;
}

// Digits that the pointer may read as an index far beyond what a fuzzer may hold.
bool isLargeNumber(const std::string& token)
{
   return token.size() > 2 && token.find_first_not_of("0123456789") == std::string::npos;
}

Node emptyNode(Type type)
{
   Node node;
   node.type = type;
   node.scalar.clear();
   return node;
}

// A token is an array index when it is "0" or digits without a leading zero.
bool isIndex(const std::string& token)
{
   if (token.empty() || token.size() > 9 || (token.size() > 1 && token[0] == '0'))
      return false;
   for (char c : token)
      if (c < '0' || c > '9')
         return false;
   return true;
}

// Follows the pointer from the root, creating the way as the pointer's rules say, and
// stores the value at the end.
void referenceCreate(Node& root, const std::vector<std::string>& tokens, const Node& value)
{
   Node* at = &root;
   for (const std::string& token : tokens)
   {
      if (at->type == Type::Array && token == "-")
      {
         at->elements.push_back(Node());
         at = &at->elements.back();
         continue;
      }
      const bool index = isIndex(token);
      if (!index && at->type != Type::Object)
         *at = emptyNode(Type::Object);
      else if (index && at->type != Type::Array && at->type != Type::Object)
         *at = emptyNode(Type::Array);

      if (at->type == Type::Array)
      {
         const std::size_t position = std::stoul(token);
         if (position >= at->elements.size())
            at->elements.resize(position + 1);
         at = &at->elements[position];
      }
      else
      {
         Node* found = nullptr;
         for (auto& member : at->members)
         {
            if (member.first == token)
            {
               found = &member.second;
               break;
            }
         }
         if (found == nullptr)
         {
            at->members.emplace_back(token, Node());
            found = &at->members.back().second;
         }
         at = found;
      }
   }
   *at = value;
}

bool isUnreserved(unsigned char c)
{
   return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
          c == '_' || c == '~';
}

std::string writePointer(const std::vector<std::string>& tokens, bool uriFragment)
{
   static const char kHex[] = "0123456789ABCDEF";
   std::string text = uriFragment ? "#" : "";
   for (const std::string& token : tokens)
   {
      text += '/';
      for (char c : token)
      {
         const std::string escaped = c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
         for (char e : escaped)
         {
            const auto byte = static_cast<unsigned char>(e);
            if (uriFragment && !isUnreserved(byte))
               text += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
            else
               text += e;
         }
      }
   }
   return text;
}

// The tokens of a plain-form pointer, or false when the text is no pointer.
bool readPlainPointer(const std::string& text, std::vector<std::string>* tokens)
{
   if (text.empty())
      return true;
   if (text[0] != '/')
      return false;
   for (std::size_t i = 0; i < text.size(); ++i)
   {
      const char c = text[i];
      if (c == '/')
      {
         tokens->emplace_back();
      }
      else if (c == '~')
      {
         if (i + 1 == text.size() || (text[i + 1] != '0' && text[i + 1] != '1'))
            return false;
         tokens->back() += text[++i] == '0' ? '~' : '/';
      }
      else
      {
         tokens->back() += c;
      }
   }
   return true;
}

const char* const kDocuments[] = {
   R"({"a":{"b":[1,2,{"c":null}]},"~":"tilde","/":[true],"":{"":0},"0":[],"-":{"x":1.5}})",
   R"([{"a":1},[[]],"s",7,null])",
   R"("scalar")",
   R"({})",
};

const char* const kNames[] = {"a", "b", "c", "~", "/", "", "0", "1", "2", "-", "01", "x", "~1", "a/b", "%25", "é"};

Value startValue(FuzzedDataProvider& provider)
{
   Value value;
   const std::string text = provider.ConsumeRandomLengthString(256);
   if (value.parse(text))
      check(!value.parse(kDocuments[text.size() % (sizeof(kDocuments) / sizeof(kDocuments[0]))]));
   return value;
}

std::string fuzzedToken(FuzzedDataProvider& provider, bool uriFragment)
{
   switch (provider.ConsumeIntegralInRange(0, 3))
   {
      case 0:
         return kNames[provider.ConsumeIntegralInRange<std::size_t>(0, sizeof(kNames) / sizeof(kNames[0]) - 1)];
      case 1:
         return std::to_string(provider.ConsumeIntegralInRange(0, 40));
      case 2:
         return "-";
      default:
      {
         std::string token = provider.ConsumeRandomLengthString(12);
         for (char& c : token)
         {
            // The plain form ends at a NUL; a URI fragment carries only text.
            if (c == '\0' || (uriFragment && static_cast<unsigned char>(c) >= 0x80))
               c = 'n';
         }
         return isLargeNumber(token) ? "n" + token : token;
      }
   }
}

void checkStoredAtTokens(FuzzedDataProvider& provider)
{
   Value document = startValue(provider);
   const bool uriFragment = provider.ConsumeBool();
   std::vector<std::string> tokens(provider.ConsumeIntegralInRange(0, 8));
   for (std::string& token : tokens)
      token = fuzzedToken(provider, uriFragment);

   Value stored;
   const bool storeItself = provider.ConsumeBool();
   if (!storeItself)
      stored = startValue(provider);
   const Node storedNode = toNode(storeItself ? document : stored);

   Node expected = toNode(document);
   referenceCreate(expected, tokens, storedNode);
   const std::string path = writePointer(tokens, uriFragment);
   const Node before = toNode(document);
   const velorin::core::Error error = document.setValueAtPointerPath(path, storeItself ? document : stored);
   if (error)
   {
      check(refusedAsTooDeep(error, tokens.size(), storedNode));
      check(toNode(document) == before);
      return;
   }
   check(toNode(document) == expected);
}

void checkPointerText(FuzzedDataProvider& provider)
{
   Value document = startValue(provider);
   const std::string path = provider.ConsumeRandomLengthString(64);
   const std::string readPart = path.substr(0, path.find('\0'));

   // A fragment without escapes names the tokens its plain form names.
   const bool plain = readPart.empty() || readPart[0] != '#';
   std::vector<std::string> tokens;
   const bool valid = readPlainPointer(plain ? readPart : readPart.substr(1), &tokens);
   for (const std::string& token : tokens)
   {
      if (isLargeNumber(token))
         return;
   }
   // A percent escape may spell digits, so fragments are tried only without them.
   if (!plain && readPart.find('%') != std::string::npos)
      return;

   const Node before = toNode(document);
   const Value stored("stored");
   const velorin::core::Error error = document.setValueAtPointerPath(path, stored);
   if (error && refusedAsTooDeep(error, tokens.size(), toNode(stored)))
   {
      check(toNode(document) == before);
   }
   else if (error)
   {
      check(!(plain && valid));
      check(error.getName() == jsonPointerParseCategory().name());
      const std::string offset = error.getProperty("offset");
      check(!offset.empty() && std::stoul(offset) <= readPart.size());
      check(toNode(document) == before);
   }
   else
   {
      check(valid);
      Node expected = before;
      referenceCreate(expected, tokens, toNode(stored));
      check(toNode(document) == expected);
   }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   if (provider.ConsumeBool())
      checkStoredAtTokens(provider);
   else
      checkPointerText(provider);
   return 0;
}
