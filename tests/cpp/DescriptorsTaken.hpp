// DescriptorsTaken.hpp: takes every file descriptor the process may still open, for
// as long as it lives, so that the next open fails as when a program runs out of them.
#pragma once

// Linux only: file descriptors and their limit are Linux's; tests that use this are left out on Windows.
#ifndef _WIN32

#include <algorithm>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace velorin::core::testing {

class DescriptorsTaken
{
public:
   // The limit comes down first: it may be far too high to fill.
   DescriptorsTaken()
   {
      ::getrlimit(RLIMIT_NOFILE, &saved_);
      rlimit lowered = saved_;
      lowered.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, 256);
      ::setrlimit(RLIMIT_NOFILE, &lowered);
      for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;)
         taken_.push_back(fd);
   }

   DescriptorsTaken(const DescriptorsTaken&) = delete;
   DescriptorsTaken& operator=(const DescriptorsTaken&) = delete;

   ~DescriptorsTaken()
   {
      for (int fd : taken_)
         ::close(fd);
      ::setrlimit(RLIMIT_NOFILE, &saved_);
   }

private:
   rlimit saved_{};
   std::vector<int> taken_;
};

} // namespace velorin::core::testing

#endif
