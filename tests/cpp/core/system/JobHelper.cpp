// JobHelper.cpp: a program that ties itself to a job object, for the tests of the
// restart outside a job that refuses it. It says when it starts and when it went on
// past the job, with its arguments, and ends with the code its first argument gives.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <core/system/Environment.hpp>
#include <core/system/System.hpp>

int main(int argc, char** argv)
{
   std::printf("started\n");
   std::fflush(stdout);

   velorin::core::system::attachToJobObject();

   std::string arguments;
   for (int i = 1; i < argc; ++i)
      arguments += std::string(i > 1 ? "|" : "") + argv[i];
   std::printf("attached level=%s arguments=%s\n", velorin::core::system::getenv("_VELORIN_LEVEL").c_str(),
               arguments.c_str());
   return argc > 1 ? std::atoi(argv[1]) : 0;
}
