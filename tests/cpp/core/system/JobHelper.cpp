// JobHelper.cpp: a program that ties itself to a job object, for the tests of the
// job. It says when it starts, with the name it was started by, and when it went on
// past the job, with its arguments,
// and ends with the code its first argument gives. With the second argument "child"
// it first starts "sleep 30" and names its id; with "path" it names its own path.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <platform/Win32Api.hpp>

#include <core/system/Environment.hpp>
#include <core/system/System.hpp>

int main(int argc, char** argv)
{
   std::printf("started %s\n", argv[0]);
   std::fflush(stdout);

   velorin::core::system::attachToJobObject();

   std::string arguments;
   for (int i = 1; i < argc; ++i)
      arguments += std::string(i > 1 ? "|" : "") + argv[i];
   std::printf("attached level=%s arguments=%s\n", velorin::core::system::getenv("_VELORIN_LEVEL").c_str(),
               arguments.c_str());
   if (argc > 2 && std::string(argv[2]) == "child")
   {
      char commandLine[] = "sleep 30";
      STARTUPINFOA startup = {};
      startup.cb = sizeof(startup);
      PROCESS_INFORMATION child = {};
      if (::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
         std::printf("child %u\n", static_cast<unsigned>(child.dwProcessId));
   }
   if (argc > 2 && std::string(argv[2]) == "path")
   {
      velorin::core::FilePath executable;
      if (!velorin::core::system::executablePath(argv[0], &executable))
         std::printf("path %s\n", executable.getAbsolutePath().c_str());
   }
   return argc > 1 ? std::atoi(argv[1]) : 0;
}
