// WinCrt.hpp: C-runtime functions whose Windows behaviour differs from glibc's.
#pragma once

#include <cstdio>

// The C runtime's low-level files (<io.h>, <fcntl.h>), for binary reading only: the
// flags must be _O_RDONLY | _O_BINARY, and text mode, which would turn CR LF into LF,
// is refused. A failure returns -1 and sets errno to the Windows C runtime's number
// (ENOENT 2, EBADF 9, EACCES 13, EINVAL 22, ENAMETOOLONG 38), never a Linux-only one;
// a failure armed by a test sets errno to the code it was armed with.
constexpr int _O_RDONLY = 0;
constexpr int _O_BINARY = 0x8000;

// The path is text in the ANSI code page; '\' separates as '/' does.
int _open(const char* fileName, int openFlag, ...);

// Up to bufferSize bytes; 0 at the end of the file.
int _read(int fd, void* buffer, unsigned int bufferSize);

int _close(int fd);

namespace velorin::platform {

// The C runtime's wctomb for one UTF-16 code unit: the byte count, or -1 when the
// current locale's encoding has no character for it. In the "C" locale the Windows
// runtime maps every unit up to 0xFF to the byte of that value (glibc's C locale is
// ASCII only). It keeps no shift state between calls, so threads may share it.
int wctomb(char* multiByte, wchar_t wideChar);

} // namespace velorin::platform

// Command pipes and terminal tests.
//
// _popen runs the command with /bin/sh -c where Windows runs %COMSPEC% /c. A pipe read
// in text mode ("r" or "rt") delivers each CR LF as LF, as the Windows runtime does.
// _pclose returns the command's exit status, or -1 with errno; where the system reaps
// the shell itself (SIGCHLD ignored) the close is a normal one, with the status 0. The
// shell sees the environment as the environment stand-ins hold it.
std::FILE* _popen(const char* command, const char* mode);
int _pclose(std::FILE* stream);
int _isatty(int fd);
int _fileno(std::FILE* stream);
