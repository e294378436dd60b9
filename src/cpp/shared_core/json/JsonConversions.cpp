// JsonConversions.cpp: arrays and objects to and from standard string containers.
//
// A list of string pairs is kept in an array as texts "key=value", with "=" inside
// the key and the value written "\=" so that the first unescaped "=" splits them
// again; in an object each pair is a string member.
#include <shared_core/json/Json.hpp>

#include <iterator>

#include <boost/regex.hpp>

#include <shared_core/Logger.hpp>

#include "JsonImpl.hpp"

namespace velorin::core::json {
namespace {

std::string escapeEquals(const std::string& text)
{
   std::string escaped;
   escaped.reserve(text.size());
   for (char c : text)
   {
      if (c == '=')
         escaped += '\\';
      escaped += c;
   }
   return escaped;
}

std::string unescapeEquals(const std::string& text)
{
   std::string unescaped;
   unescaped.reserve(text.size());
   for (std::size_t i = 0; i < text.size(); ++i)
   {
      if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '=')
         continue;
      unescaped += text[i];
   }
   return unescaped;
}

// Reads each element with read, which gives false for an element of the wrong kind.
template <typename Read>
bool readElements(const Array& array, Read read)
{
   for (const Value& element : array)
   {
      if (!read(element))
         return false;
   }
   return true;
}

// Writes each string element to out; false at the first element of another kind.
template <typename Output>
bool copyStrings(const Array& array, Output out)
{
   return readElements(array, [&out](const Value& element) {
      if (!element.isString())
         return false;
      *out++ = element.getString();
      return true;
   });
}

} // namespace

Array::Array(const std::vector<std::pair<std::string, std::string>>& pairs) : Array()
{
   for (const auto& pair : pairs)
   {
      std::string text = escapeEquals(pair.first);
      if (!pair.second.empty())
         text += "=" + escapeEquals(pair.second);
      push_back(Value(text));
   }
}

bool Array::toSetString(std::set<std::string>* out) const
{
   return copyStrings(*this, std::inserter(*out, out->end()));
}

std::vector<std::pair<std::string, std::string>> Array::toStringPairList() const
{
   static const boost::regex& kUnescapedEquals = *new boost::regex("[^\\\\]=");
   std::vector<std::pair<std::string, std::string>> pairs;
   for (const Value& element : *this)
   {
      if (!element.isString())
      {
         log::logDebugMessage("Skipping value " + element.write() +
                                 " when converting array to a list of string pairs because its value "
                                 "does not have a string type.",
                              ERROR_LOCATION);
         continue;
      }
      std::string text = element.getString();
      boost::smatch match;
      if (boost::regex_search(text, match, kUnescapedEquals))
      {
         std::size_t position = static_cast<std::size_t>(match[0].first - text.begin());
         pairs.emplace_back(unescapeEquals(text.substr(0, position + 1)),
                            unescapeEquals(text.substr(position + 2)));
      }
      else
      {
         pairs.emplace_back(unescapeEquals(text), std::string());
      }
   }
   return pairs;
}

bool Array::toVectorInt(std::vector<int>* out) const
{
   // An integer that does not fit an int is the wrong kind, not its low 32 bits.
   return readElements(*this, [out](const Value& element) {
      if (!element.isInt())
         return false;
      out->push_back(element.getInt());
      return true;
   });
}

bool Array::toVectorString(std::vector<std::string>* out) const
{
   return copyStrings(*this, std::back_inserter(*out));
}

Object::Object(const std::vector<std::pair<std::string, std::string>>& pairs) : Object()
{
   for (const auto& pair : pairs)
      (*this)[pair.first] = pair.second;
}

bool Object::toStringMap(std::map<std::string, std::vector<std::string>>* out) const
{
   for (const Member& member : *this)
   {
      Value value = member.getValue();
      std::vector<std::string> strings;
      // A null member stands for an empty list; any other kind that is not an array fails.
      if (!value.isNull() && (!value.isArray() || !value.getArray().toVectorString(&strings)))
         return false;
      (*out)[member.getName()] = std::move(strings);
   }
   return true;
}

std::vector<std::pair<std::string, std::string>> Object::toStringPairList() const
{
   std::vector<std::pair<std::string, std::string>> pairs;
   for (const Member& member : *this)
   {
      Value value = member.getValue();
      if (!value.isString())
      {
         log::logDebugMessage("Skipping member " + member.getName() +
                                 " when converting object to a list of string pairs because its value "
                                 "does not have a string type.",
                              ERROR_LOCATION);
         continue;
      }
      pairs.emplace_back(member.getName(), value.getString());
   }
   return pairs;
}

} // namespace velorin::core::json
