// TestHooks.hpp: lets tests make a platform call fail, so that the library's
// failure branches run for real, and see which platform calls were made. Only the
// tests link it; the installed library carries none of it.
//
//   velorin::platform::failNext("MultiByteToWideChar", ERROR_INVALID_PARAMETER);
//   // the next MultiByteToWideChar call, on any thread, fails with that last error
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velorin::platform {

// The next call of the named function fails and sets the given last error.
void failNext(const std::string& function, std::uint32_t errorCode);

// As failNext, for the call that follows the given number of calls that succeed.
void failNextAfter(const std::string& function, unsigned int succeedingCalls, std::uint32_t errorCode);

// Forgets every failure that has been armed and not yet consumed.
void clearFailures();

// Records the names of the platform calls made from now on, on every thread, until
// the records are taken; taking them also stops the recording.
void startRecordingCalls();
std::vector<std::string> takeRecordedCalls();

// What is still armed or recording, one description each, and clears it all, so that
// nothing a test leaves behind fails a later test's calls.
std::vector<std::string> takeLeftoverHooks();

} // namespace velorin::platform
