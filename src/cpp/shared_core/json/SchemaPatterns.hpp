// SchemaPatterns.hpp: schema patterns, written in ECMAScript's regular-expression
// syntax, in the syntax of RapidJSON's regular expressions.
#pragma once

#include <optional>
#include <string>

namespace velorin::core::json {

// The pattern with the class escapes RapidJSON lacks (\d, \D, \w, \W, \s, \S) spelled
// as the bracket classes it has; none when a class escape stands where no bracket
// class can say it (a negated one inside a negated bracket). Everything else is kept
// for RapidJSON to take or refuse, but for the empty pattern, which it cannot say.
std::optional<std::string> toRapidJsonPattern(const std::string& pattern);

} // namespace velorin::core::json
