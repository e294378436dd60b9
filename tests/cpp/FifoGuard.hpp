// FifoGuard.hpp: runs a call that must not wait on a FIFO, and frees it if it does.
//
// Opening a FIFO waits for its other end, and writing to a full one waits for a
// reader. A call that meets such a wait fails its test instead of hanging it: the
// guard then plays the other end until the call is done.
#pragma once

// Linux only: FIFOs are Linux files; tests that use this are left out on Windows.
#ifndef _WIN32

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace velorin::core::testing {

// Whether the call returned within a few seconds. It has returned either way when
// this does.
inline bool returnsPromptly(const std::string& fifo, const std::function<void()>& call)
{
   std::packaged_task<void()> task(call);
   std::future<void> done = task.get_future();
   std::thread runner(std::move(task));
   const bool prompt = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
   if (!prompt)
   {
      // Holding both ends never waits, lets a waiting open through and takes what a
      // writer sends; closing them ends the file for a reader.
      const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      char buffer[1 << 16];
      for (int i = 0; i < 20 && done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready; ++i)
      {
         while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0)
            continue;
      }
      if (fd >= 0)
         ::close(fd);
   }
   runner.join();
   return prompt;
}

} // namespace velorin::core::testing

#endif
