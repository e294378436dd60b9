// EnvironmentAccess.hpp: the stand-ins' own reads of environ.
//
// Adding a variable may move environ, and the text of a variable set again may be
// freed, so a pointer that getenv hands out is only safe while no other thread changes
// the environment. Every stand-in therefore reads environ through these, which copy
// under the lock that the stand-ins' own changes take.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velorin::platform {

// The value of the variable of exactly this name, as environ holds it; nothing when
// it is unset.
std::optional<std::string> environmentValue(const char* name);

// The variable's value when it is an absolute path, as the XDG variables must be;
// empty otherwise.
std::string absolutePathVariable(const char* name);

// The "NAME=VALUE" entries of environ as they stand, for a child's environment.
std::vector<std::string> environmentEntries();

} // namespace velorin::platform
