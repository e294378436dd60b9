// AddQueryParamsFuzzer.cpp: query text added to a URI. The result is the URI, "&" or
// "?" as the URI has a '?' or not, and the added text; the request that carries it
// reads back the URI's own parameters followed by the added ones, in order, and the
// same path.
#include <core/http/Request.hpp>
#include <core/http/Util.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::http;
using velorin::fuzz::check;

// Parameters with names, which a query can carry: a nameless one reads as nothing.
Fields fuzzedFields(FuzzedDataProvider& provider)
{
   Fields fields(provider.ConsumeIntegralInRange(0, 5));
   for (auto& field : fields)
   {
      field.first = provider.ConsumeRandomLengthString(16);
      if (field.first.empty())
         field.first = "n";
      field.second = provider.ConsumeRandomLengthString(16);
   }
   return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   std::string path = provider.ConsumeRandomLengthString(32);
   path = path.substr(0, path.find('?'));
   const bool emptyQuery = provider.ConsumeBool();
   const Fields own = fuzzedFields(provider);
   const Fields added = fuzzedFields(provider);

   std::string ownQuery;
   util::buildQueryString(own, &ownQuery);
   const std::string uri = own.empty() && !emptyQuery ? path : path + "?" + ownQuery;
   std::string addedQuery;
   util::buildQueryString(added, &addedQuery);

   const std::string result = util::addQueryParams(uri, addedQuery);
   check(result == uri + (uri.find('?') == std::string::npos ? "?" : "&") + addedQuery);

   Request request;
   request.setUri(result);
   Fields expected = own;
   expected.insert(expected.end(), added.begin(), added.end());
   check(request.queryParams() == expected);
   Request plain;
   plain.setUri(path);
   check(request.path() == plain.path());
   return 0;
}
