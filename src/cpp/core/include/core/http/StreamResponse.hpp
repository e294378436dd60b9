// StreamResponse.hpp: a body handed out as a sequence of chunks instead of being held
// in the message, for replies sent with "Transfer-Encoding: chunked".
//
//   for (auto chunk = source->nextChunk(); chunk; chunk = source->nextChunk())
//      send(chunk->data, chunk->size);
//
// The chunk framing on the wire belongs to the code that sends the response.
#pragma once

#include <cstddef>
#include <memory>

#include <shared_core/Error.hpp>

namespace velorin::core::http {

// One chunk; owns its array, of which the first size bytes are valid.
struct StreamBuffer
{
   StreamBuffer(char* data, std::size_t size) : data(data), size(size) {}
   ~StreamBuffer() { delete[] data; }
   StreamBuffer(const StreamBuffer&) = delete;
   StreamBuffer& operator=(const StreamBuffer&) = delete;

   char* data;
   std::size_t size;
};

class StreamResponse
{
public:
   virtual ~StreamResponse() = default;

   virtual Error initialize() = 0;

   // An empty pointer once the data has ended, and on every later call.
   virtual std::shared_ptr<StreamBuffer> nextChunk() = 0;
};

} // namespace velorin::core::http
