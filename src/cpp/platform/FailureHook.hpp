// FailureHook.hpp: the seam through which the test build makes a stand-in fail, so
// that the library's failure branches run for real. Programs never install a hook;
// the tests' hook library does (platform/TestHooks.hpp).
#pragma once

namespace velorin::platform {

// Answers for the named stand-in whether its call fails now, with the last error set.
using FailureHook = bool (*)(const char* function);

void installFailureHook(FailureHook hook);

// Called by the stand-ins on entry: true (with the last error set) when the installed
// hook fails this call; false while none is installed.
bool consumeArmedFailure(const char* function);

} // namespace velorin::platform
