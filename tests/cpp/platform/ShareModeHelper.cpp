// ShareModeHelper.cpp: a second process for the share-mode tests.
//
//   share_mode_helper read|write|append <path> try    exits with the open's last error
//   share_mode_helper read|write|append <path> hold   opens, writes 'k' (or 'e') to
//                                                     stdout and keeps the file open
//                                                     until stdin closes
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include <platform/Win32Api.hpp>

int main(int argc, char** argv)
{
   if (argc != 4)
      return 100;
   const std::string mode = argv[1];
   DWORD access = GENERIC_READ;
   DWORD share = FILE_SHARE_READ;
   DWORD disposition = OPEN_EXISTING;
   if (mode == "write")
   {
      access = GENERIC_WRITE;
      share = 0;
      disposition = CREATE_ALWAYS;
   }
   else if (mode == "append")
   {
      access = FILE_APPEND_DATA;
      share = 0;
      disposition = OPEN_ALWAYS;
   }

   const int size = ::MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0);
   std::vector<wchar_t> path(static_cast<std::size_t>(size));
   ::MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, path.data(), size);

   HANDLE file = ::CreateFileW(path.data(), access, share, nullptr, disposition, 0, nullptr);
   const DWORD error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
   if (std::strcmp(argv[3], "try") == 0)
      return static_cast<int>(error);

   const char status = error == 0 ? 'k' : 'e';
   if (::write(STDOUT_FILENO, &status, 1) != 1)
      return 101;
   char ignored;
   while (::read(STDIN_FILENO, &ignored, 1) > 0)
   {
   }
   return 0;
}
