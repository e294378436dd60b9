// Environment.hpp: environment variables of the running process and of environments
// prepared for child processes, "%NAME%" expansion and "PATH".
//
//   system::setenv("VELORIN_MODE", "batch");         // children started later see it
//   system::EnvironmentList child;
//   system::buildEnvironment({{"Path", "C:/tools"}}, &child);
//
// Names compare without regard to case, as on Windows. "PATH" separates its folders
// with ';'. A list keeps its order: new names go to the end, a replaced entry keeps
// its place.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core::system {

using EnvironmentList = std::vector<std::pair<std::string, std::string>>;

// The running process's environment.

// Appends every variable of the process, in the environment's order.
void environment(EnvironmentList* pEnvironment);

// The value; empty when the variable is unset or empty.
std::string getenv(const std::string& name);

// An empty value sets the variable to the empty text. Failures are not reported: an
// empty name or one holding '=' changes nothing.
void setenv(const std::string& name, const std::string& value);
void unsetenv(const std::string& name);

// Replaces each %NAME% of a set variable by its value; references to variables that
// are not set stay as they are.
Error expandEnvironmentVariables(std::string value, std::string* pResult);

// The variable USERNAME.
std::string currentUserName();

// Joins the folder to the process's "PATH", in front or at the end. The path form is
// joined with ';' even to an empty "PATH".
void addToSystemPath(const FilePath& folder, bool prepend);
void addToSystemPath(const std::string& folder, bool prepend);

// Environments held as lists.

// The value of the first entry of that name; empty when there is none.
std::string getenv(const EnvironmentList& environment, const std::string& name);

// Replaces the first entry of that name by (name, value), or appends it.
void setenv(EnvironmentList* pEnvironment, const std::string& name, const std::string& value);

// Removes every entry of that name.
void unsetenv(EnvironmentList* pEnvironment, const std::string& name);

// The process's environment with the variables set over it, appended to the output.
void buildEnvironment(const EnvironmentList& variables, EnvironmentList* pEnvironment);

// Sets "HOME" to the list's "USERPROFILE" (empty when there is none).
void setHomeFromUserProfile(EnvironmentList* pEnvironment);

// Joins the folder to the list's "PATH", which is then named "PATH".
void addToPath(EnvironmentList* pEnvironment, const std::string& folder, bool prepend);

// Joins the folder to the ';'-separated text; an empty text becomes the folder alone.
void addToPath(std::string* pPath, const std::string& folder, bool prepend);

// Splits NAME=VALUE at the first '='; false, with the output untouched, without one.
bool parseEnvironmentEntry(std::string entry, std::pair<std::string, std::string>* pVariable);

} // namespace velorin::core::system
