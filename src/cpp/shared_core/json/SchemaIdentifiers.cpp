// SchemaIdentifiers.cpp: RapidJSON 1.1 reads every "$ref" as a pointer into the
// document root and knows no "id", so a reference by identifier, or a pointer meant
// from a schema that moved the base URI, would be dropped or followed to the wrong
// schema. The document is walked as draft 4 reads it and such references are
// rewritten into the pointers they mean; nothing is ever fetched.
#include "SchemaIdentifiers.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>

#include "StrictUtf8.hpp"

namespace velorin::core::json {
namespace {

std::string text(const rapidjson::Value& string)
{
   return std::string(string.GetString(), string.GetStringLength());
}

// A URI reference split as RFC 3986, appendix B does.
struct UriParts
{
   std::optional<std::string> scheme;
   std::optional<std::string> authority;
   std::string path;
   std::optional<std::string> query;
   std::optional<std::string> fragment;
};

UriParts split(const std::string& uri)
{
   UriParts parts;
   std::size_t next = 0;
   std::size_t colon = uri.find_first_of(":/?#");
   if (colon != std::string::npos && colon > 0 && uri[colon] == ':')
   {
      parts.scheme = uri.substr(0, colon);
      next = colon + 1;
   }
   if (uri.compare(next, 2, "//") == 0)
   {
      std::size_t end = uri.find_first_of("/?#", next + 2);
      end = end == std::string::npos ? uri.size() : end;
      parts.authority = uri.substr(next + 2, end - next - 2);
      next = end;
   }
   std::size_t end = uri.find_first_of("?#", next);
   end = end == std::string::npos ? uri.size() : end;
   parts.path = uri.substr(next, end - next);
   next = end;
   if (next < uri.size() && uri[next] == '?')
   {
      end = uri.find('#', next);
      end = end == std::string::npos ? uri.size() : end;
      parts.query = uri.substr(next + 1, end - next - 1);
      next = end;
   }
   if (next < uri.size())
      parts.fragment = uri.substr(next + 1);
   return parts;
}

std::string join(const UriParts& parts)
{
   std::string uri;
   if (parts.scheme)
      uri += *parts.scheme + ":";
   if (parts.authority)
      uri += "//" + *parts.authority;
   uri += parts.path;
   if (parts.query)
      uri += "?" + *parts.query;
   if (parts.fragment)
      uri += "#" + *parts.fragment;
   return uri;
}

// RFC 3986, section 5.2.4.
std::string removeDotSegments(std::string input)
{
   std::string output;
   while (!input.empty())
   {
      if (input.compare(0, 3, "../") == 0)
         input.erase(0, 3);
      else if (input.compare(0, 2, "./") == 0)
         input.erase(0, 2);
      else if (input.compare(0, 3, "/./") == 0)
         input.erase(0, 2);
      else if (input == "/.")
         input = "/";
      else if (input.compare(0, 4, "/../") == 0 || input == "/..")
      {
         input = input.size() == 3 ? "/" : input.substr(3);
         std::size_t last = output.rfind('/');
         output.erase(last == std::string::npos ? 0 : last);
      }
      else if (input == "." || input == "..")
         input.clear();
      else
      {
         std::size_t end = input.find('/', 1);
         end = end == std::string::npos ? input.size() : end;
         output += input.substr(0, end);
         input.erase(0, end);
      }
   }
   return output;
}

// RFC 3986, section 5.2.2. A document without a URI of its own has the empty base,
// against which a relative reference stays relative.
std::string resolve(const std::string& base, const std::string& reference)
{
   UriParts b = split(base);
   UriParts r = split(reference);
   UriParts t;
   if (r.scheme)
   {
      t = r;
      t.path = removeDotSegments(r.path);
   }
   else
   {
      if (r.authority)
      {
         t.authority = r.authority;
         t.path = removeDotSegments(r.path);
         t.query = r.query;
      }
      else
      {
         if (r.path.empty())
         {
            t.path = b.path;
            t.query = r.query ? r.query : b.query;
         }
         else
         {
            if (r.path[0] == '/')
            {
               t.path = removeDotSegments(r.path);
            }
            else
            {
               std::string merged;
               if (b.authority && b.path.empty())
                  merged = "/" + r.path;
               else
               {
                  std::size_t slash = b.path.rfind('/');
                  merged = (slash == std::string::npos ? std::string() : b.path.substr(0, slash + 1)) + r.path;
               }
               t.path = removeDotSegments(merged);
            }
            t.query = r.query;
         }
         t.authority = b.authority;
      }
      t.scheme = b.scheme;
   }
   t.fragment = r.fragment;
   // An empty fragment names what the URI without it names.
   if (t.fragment && t.fragment->empty())
      t.fragment.reset();
   return join(t);
}

using Pointer = rapidjson::Pointer;

class IdentifierResolution
{
public:
   explicit IdentifierResolution(rapidjson::Document& document) : document_(document)
   {
      // The document's own URI, which no "id" has replaced, names its root.
      identified_.emplace(std::string(), Pointer());
   }

   void run()
   {
      visit(document_, std::string(), Pointer());
      for (const Reference& reference : references_)
         rewrite(reference);
   }

private:
   struct Reference
   {
      rapidjson::Value* value;
      std::string base;
   };

   void record(const std::string& identifier, const Pointer& location)
   {
      auto [entry, first] = identified_.emplace(identifier, location);
      // Two schemas of one identifier leave its references unresolved.
      if (!first && !(entry->second && *entry->second == location))
         entry->second.reset();
   }

   void visitEach(rapidjson::Value& map, const std::string& base, const Pointer& location)
   {
      if (!map.IsObject())
         return;
      for (auto& member : map.GetObject())
         visit(member.value, base, location.Append(member.name.GetString(), member.name.GetStringLength()));
   }

   void visitList(rapidjson::Value& list, const std::string& base, const Pointer& location)
   {
      if (!list.IsArray())
         return;
      for (rapidjson::SizeType i = 0; i < list.Size(); ++i)
         visit(list[i], base, location.Append(i));
   }

   // schema: a value draft 4 reads as a schema. Its depth is that of the text, which
   // parsing bounds.
   void visit(rapidjson::Value& schema, std::string base, const Pointer& location)
   {
      if (!schema.IsObject())
         return;
      auto reference = schema.FindMember("$ref");
      if (reference != schema.MemberEnd() && reference->value.IsString())
      {
         // Beside "$ref" every other keyword, "id" too, is without effect; what the
         // object holds is still reached by pointers, from the same base.
         references_.push_back({&reference->value, base});
      }
      else if (auto id = schema.FindMember("id"); id != schema.MemberEnd() && id->value.IsString())
      {
         base = resolve(base, text(id->value));
         record(base, location);
      }
      for (auto& member : schema.GetObject())
      {
         const std::string keyword = text(member.name);
         auto here = [&] { return location.Append(member.name.GetString(), member.name.GetStringLength()); };
         if (keyword == "not" || keyword == "additionalItems" || keyword == "additionalProperties")
            visit(member.value, base, here());
         else if (keyword == "items")
         {
            visit(member.value, base, here());
            visitList(member.value, base, here());
         }
         else if (keyword == "allOf" || keyword == "anyOf" || keyword == "oneOf")
            visitList(member.value, base, here());
         else if (keyword == "definitions" || keyword == "properties" || keyword == "patternProperties" ||
                  keyword == "dependencies")
            visitEach(member.value, base, here());
      }
   }

   // The pointer of the schema that identifier names, in URI-fragment form after its
   // "#"; none when it names no single schema or RapidJSON could not read it back.
   std::optional<std::string> fragmentOf(const std::string& identifier) const
   {
      auto entry = identified_.find(identifier);
      if (entry == identified_.end() || !entry->second)
         return std::nullopt;
      const Pointer& pointer = *entry->second;
      for (std::size_t i = 0; i < pointer.GetTokenCount(); ++i)
      {
         if (!isValidUtf8(pointer.GetTokens()[i].name, pointer.GetTokens()[i].length))
            return std::nullopt;
      }
      rapidjson::StringBuffer buffer;
      pointer.StringifyUriFragment(buffer);
      return std::string(buffer.GetString() + 1, buffer.GetSize() - 1);
   }

   void rewrite(const Reference& reference)
   {
      const std::string target = resolve(reference.base, text(*reference.value));
      std::optional<std::string> fragment = fragmentOf(target);
      if (!fragment)
      {
         // A schema's identifier followed by a pointer into that schema.
         std::size_t hash = target.find('#');
         if (hash == std::string::npos || target.compare(hash, 2, "#/") != 0)
            return;
         fragment = fragmentOf(target.substr(0, hash));
         if (!fragment)
            return;
         *fragment += target.substr(hash + 1);
      }
      const std::string local = "#" + *fragment;
      if (local == text(*reference.value))
         return;
      reference.value->SetString(local.data(), static_cast<rapidjson::SizeType>(local.size()),
                                 document_.GetAllocator());
   }

   rapidjson::Document& document_;
   // Each identifier with the pointer of its schema; none when several schemas share it.
   std::unordered_map<std::string, std::optional<Pointer>> identified_;
   std::vector<Reference> references_;
};

} // namespace

void resolveIdentifiedReferences(rapidjson::Document& document)
{
   IdentifierResolution(document).run();
}

} // namespace velorin::core::json
