// WinCrt.hpp: C-runtime functions whose Windows behaviour differs from glibc's.
#pragma once

namespace velorin::platform {

// The C runtime's wctomb for one UTF-16 code unit: the byte count, or -1 when the
// current locale's encoding has no character for it. In the "C" locale the Windows
// runtime maps every unit up to 0xFF to the byte of that value (glibc's C locale is
// ASCII only). It keeps no shift state between calls, so threads may share it.
int wctomb(char* multiByte, wchar_t wideChar);

} // namespace velorin::platform
