// StrictUtf8.hpp: whether bytes are UTF-8 that RapidJSON can decode without reading
// past their end.
#pragma once

#include <cstddef>

namespace velorin::core::json {

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(const char* text, std::size_t length);

} // namespace velorin::core::json
