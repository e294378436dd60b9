// MimeTypes.hpp: the built-in table of file types by extension.
#pragma once

#include <string>

namespace velorin::core::mime {

// The MIME type of an extension given without its dot, compared without regard to
// case; null when the table has no row for it.
const char* contentTypeOf(const std::string& extension);

} // namespace velorin::core::mime
