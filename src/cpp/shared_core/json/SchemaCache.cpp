// SchemaCache.cpp: a few idle compiled schemas, searched from the one given back last.
#include "SchemaCache.hpp"

#include <algorithm>

namespace velorin::core::json {

SchemaCache::SchemaCache(std::size_t capacity) : capacity_(capacity)
{
}

void SchemaCache::giveBack(const std::string& text, std::unique_ptr<CompiledSchema> compiled)
{
   std::pair<std::string, std::unique_ptr<CompiledSchema>> evicted;
   std::lock_guard<std::mutex> lock(mutex_);
   if (idle_.size() == capacity_)
   {
      // Destroyed once the lock is released.
      evicted = std::move(idle_.front());
      idle_.erase(idle_.begin());
   }
   idle_.emplace_back(text, std::move(compiled));
}

std::unique_ptr<CompiledSchema> SchemaCache::take(const std::string& text)
{
   std::lock_guard<std::mutex> lock(mutex_);
   const auto found =
      std::find_if(idle_.rbegin(), idle_.rend(), [&](const auto& entry) { return entry.first == text; });
   if (found == idle_.rend())
      return nullptr;
   std::unique_ptr<CompiledSchema> compiled = std::move(found->second);
   idle_.erase(std::next(found).base());
   return compiled;
}

} // namespace velorin::core::json
