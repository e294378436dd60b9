// TestHooks.hpp: lets tests make a platform call fail, so that the library's
// failure branches run for real. Only the tests link it; the installed library
// carries none of it.
//
//   velorin::platform::failNext("MultiByteToWideChar", ERROR_INVALID_PARAMETER);
//   // the next MultiByteToWideChar call, on any thread, fails with that last error
#pragma once

#include <cstdint>
#include <string>

namespace velorin::platform {

// The next call of the named function fails and sets the given last error.
void failNext(const std::string& function, std::uint32_t errorCode);

// Forgets every failure that has been armed and not yet consumed.
void clearFailures();

} // namespace velorin::platform
