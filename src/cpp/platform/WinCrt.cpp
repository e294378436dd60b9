// WinCrt.cpp: the Windows C runtime's rules where glibc's differ.
#include <platform/win32/WinCrt.hpp>

#include <cerrno>
#include <cstring>
#include <cwchar>

#include <langinfo.h>

#include "FailureHook.hpp"

namespace velorin::platform {

namespace {

// glibc's "C" and "POSIX" locales, the thread's own included, use this codeset.
bool inClassicLocale()
{
   return std::strcmp(::nl_langinfo(CODESET), "ANSI_X3.4-1968") == 0;
}

} // namespace

int wctomb(char* multiByte, wchar_t wideChar)
{
   if (consumeArmedFailure("wctomb"))
      return -1;
   if (multiByte == nullptr)
      return 0; // no encoding of ours keeps a shift state

   if (inClassicLocale())
   {
      if (wideChar < 0 || wideChar > 0xFF)
      {
         errno = EILSEQ;
         return -1;
      }
      *multiByte = static_cast<char>(wideChar);
      return 1;
   }

   // A state of its own per call, unlike glibc's wctomb, which shares one.
   std::mbstate_t state{};
   const std::size_t size = std::wcrtomb(multiByte, wideChar, &state);
   return size == static_cast<std::size_t>(-1) ? -1 : static_cast<int>(size);
}

} // namespace velorin::platform
