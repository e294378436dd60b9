// ByteOrderMark.hpp: the UTF-8 byte-order mark (EF BB BF) that Windows editors write
// before the first line of a text file, skipped by the configuration readers so that
// it does not become part of the first name they read.
#pragma once

#include <istream>

namespace velorin::core {

// Moves the stream past one mark at its read position; anything else, a part of a
// mark included, is left to be read.
void skipByteOrderMark(std::istream& stream);

} // namespace velorin::core
