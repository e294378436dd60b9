// UserHomePath.hpp: finding the user's home folder and reading the environment.
//
//   FilePath home = system::detail::resolveUserHomePath("VELORIN_USER|HOME");
//   std::string profile = system::detail::getenvWide("USERPROFILE");
//
// The home path is the first existing folder among, in order: the variables of the
// override list, the documents folder (current, then default location), USERPROFILE,
// HOMEDRIVE followed by HOMEPATH, and HOMEDRIVE ("C:" when empty). Nothing is cached.
// The public forms of both live in the system services; FilePath's safeCurrentPath
// and resolveAliasedPath fall back on the home path.
#pragma once

#include <string>

#include <shared_core/FilePath.hpp>

namespace velorin::core::system::detail {

// The value as UTF-8; empty when the variable is unset or empty.
std::string getenvWide(const std::string& name);

// The override list names variables separated by '|'; empty skips that source. The
// empty path, after logging "No valid home path found for user", when nothing exists.
FilePath resolveUserHomePath(const std::string& overrideList);

} // namespace velorin::core::system::detail
