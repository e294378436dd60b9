// Cleansed.hpp: containers of secrets (keys, plain text, seeds) that are overwritten
// before their memory goes back to the heap, where a later allocation could read it.
//
//   Cleansed<Bytes> key(text.begin(), text.end());
//   aesEncrypt(data, key.value, iv, &out); // key.value is wiped when key goes
//
// A Cleansed value must not grow after it is filled: a buffer it leaves behind in a
// reallocation would go back uncleared.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <openssl/crypto.h>

namespace velorin::core::system::crypto {

// Overwrites every byte the container owns, up to its capacity (a moved-from short
// string keeps its old characters in place), and leaves it empty.
template <typename Container>
void cleanse(Container& container)
{
   if (container.capacity() > 0)
   {
      container.resize(container.capacity());
      OPENSSL_cleanse(container.data(), container.size() * sizeof(typename Container::value_type));
   }
   container.clear();
}

template <typename Container>
class Cleansed
{
public:
   template <typename... Arguments>
   explicit Cleansed(Arguments&&... arguments) : value(std::forward<Arguments>(arguments)...)
   {
   }
   ~Cleansed() { cleanse(value); }
   Cleansed(const Cleansed&) = delete;
   Cleansed& operator=(const Cleansed&) = delete;

   Container value;
};

// Appends the bytes to the text; when the text must grow, its old buffer is cleansed
// before it is released. Appending through iterators would also make an uncleared
// temporary copy.
inline void appendCleansing(std::string* pText, const unsigned char* data, std::size_t size)
{
   if (pText->capacity() - pText->size() >= size)
   {
      pText->append(reinterpret_cast<const char*>(data), size);
      return;
   }
   std::string grown;
   grown.reserve(pText->size() + size);
   grown.append(*pText).append(reinterpret_cast<const char*>(data), size);
   cleanse(*pText);
   pText->swap(grown);
}

// Replaces an output, cleansing what it held.
template <typename Container>
void replaceCleansing(Container* pOut, Container&& value)
{
   cleanse(*pOut);
   *pOut = std::move(value);
}

} // namespace velorin::core::system::crypto
