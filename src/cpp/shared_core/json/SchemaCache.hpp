// SchemaCache.hpp: compiled schemas kept for the next validation against the same text.
//
// Compiling and shape-checking a schema costs many times what applying it does, and
// callers validate against a handful of fixed schema texts. A compiled schema is used
// by one caller at a time: RapidJSON's regular expressions keep their match state in
// the compiled schema. So a caller takes one out and gives it back when done; callers
// on other threads meanwhile compile their own, which the cache then keeps as well.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/schema.h>

#include "SchemaPreparation.hpp"

namespace velorin::core::json {

// A schema text parsed into a pool-allocated document, prepared and compiled. Nothing
// in it changes while it validates, but for the match state of its patterns.
struct CompiledSchema
{
   rapidjson::Document document;
   SchemaStandIns standIns;
   std::unique_ptr<rapidjson::SchemaDocument> schema;
};

class SchemaCache
{
public:
   explicit SchemaCache(std::size_t capacity);

   // A compiled schema of text that nobody uses, now the caller's; null when none is kept.
   std::unique_ptr<CompiledSchema> take(const std::string& text);

   // Keeps a compiled schema of text for a later take. When the cache is full, the one
   // given back longest ago goes.
   void giveBack(const std::string& text, std::unique_ptr<CompiledSchema> compiled);

private:
   const std::size_t capacity_;
   std::mutex mutex_;
   // Oldest first.
   std::vector<std::pair<std::string, std::unique_ptr<CompiledSchema>>> idle_;
};

} // namespace velorin::core::json
