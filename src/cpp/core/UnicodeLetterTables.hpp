// UnicodeLetterTables.hpp: the process-wide bit tables behind string_utils::isalpha
// and string_utils::isalnum.
#pragma once

#include <bitset>

namespace velorin::core::string_utils::unicode {

// One bit per UTF-16 code unit from 0 to 0xFFFE; 0xFFFF has none.
using CodeUnitTable = std::bitset<0xFFFF>;

const CodeUnitTable& letterTable();
const CodeUnitTable& letterOrDigitTable();

} // namespace velorin::core::string_utils::unicode
