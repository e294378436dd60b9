// DecimalText.hpp: integers written for the wire, without a stream.
#pragma once

#include <charconv>
#include <string>

namespace velorin::core::http {

// The decimal text of the number, as the classic locale writes it: protocol text is
// the same in every locale, and a stream costs more than the rest of a status line.
template <typename Number>
std::string decimalText(Number number)
{
   char digits[24];
   return std::string(digits, std::to_chars(digits, digits + sizeof(digits), number).ptr);
}

} // namespace velorin::core::http
