// FuzzCheck.hpp: the fuzz targets' assertion.
//
// It aborts rather than asserts so that it holds in every build type, and libFuzzer
// keeps the input that broke it.
#pragma once

#include <cstdlib>

namespace velorin::fuzz {

inline void check(bool condition)
{
   if (!condition)
      std::abort();
}

} // namespace velorin::fuzz
