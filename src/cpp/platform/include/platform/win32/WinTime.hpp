// WinTime.hpp: the C runtime's 64-bit time functions.
#pragma once

#include <cstdint>
#include <ctime>

using __time64_t = std::int64_t;

// The current time in seconds since 1970-01-01 UTC; also stored through time when
// it is not null.
__time64_t _time64(__time64_t* time);

// The UTC calendar time of the seconds, in a buffer of the calling thread that the
// next call overwrites; null (errno EINVAL) when the time cannot be converted.
std::tm* _gmtime64(const __time64_t* time);
