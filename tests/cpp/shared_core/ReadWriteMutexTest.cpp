// ReadWriteMutexTest.cpp: readers together, writers alone, writer preference and
// writer-may-read. "Waits" is shown by a thread that has not moved after a pause
// and moves once the lock it waits for is released; that a writer is pending, by
// the kernel reporting its thread asleep inside the write lock.
#include <shared_core/ReadWriteMutex.hpp>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace velorin::core {
namespace {

constexpr auto kPause = std::chrono::milliseconds(100);

void waitFor(const std::atomic<bool>& flag)
{
   while (!flag)
      std::this_thread::yield();
}

#ifndef _WIN32
long currentThreadId()
{
   return ::syscall(SYS_gettid);
}

// Whether the kernel reports the thread asleep ('S' after the command's closing
// parenthesis in its stat line).
bool isAsleep(long threadId)
{
   std::ifstream stat("/proc/self/task/" + std::to_string(threadId) + "/stat");
   const std::string line{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
   const std::string::size_type end = line.rfind(')');
   return end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'S';
}
#endif

// Returns once the thread that announced its id, and then asked for the write side
// while a reader holds it, waits for it. Load on the machine only delays the return.
void waitUntilPending(const std::atomic<long>& writerThread)
{
#ifdef _WIN32
   // No portable view of a thread's state: a pause has to do.
   (void)writerThread;
   std::this_thread::sleep_for(kPause);
#else
   while (writerThread == 0)
      std::this_thread::yield();
   while (!isAsleep(writerThread))
      std::this_thread::yield();
#endif
}

TEST(ReadWriteMutexTest, ReadersShareAndAWriterWaitsForAllOfThem)
{
   ReadWriteMutex mutex;
   std::atomic<bool> firstIn{false}, secondIn{false}, release{false}, writerIn{false};
   auto reader = [&](std::atomic<bool>& in) {
      ReadLock lock(mutex);
      in = true;
      waitFor(release);
   };
   std::thread first(reader, std::ref(firstIn));
   std::thread second(reader, std::ref(secondIn));
   waitFor(firstIn);
   waitFor(secondIn); // both hold the read side at once

   std::thread writer([&] {
      WriteLock lock(mutex);
      writerIn = true;
   });
   std::this_thread::sleep_for(kPause);
   EXPECT_FALSE(writerIn);
   release = true;
   first.join();
   second.join();
   writer.join();
   EXPECT_TRUE(writerIn);
}

TEST(ReadWriteMutexTest, NewReadersWaitBehindAPendingWriter)
{
   ReadWriteMutex mutex;
   std::atomic<bool> readerIn{false}, releaseReader{false}, writerIn{false}, releaseWriter{false};
   std::atomic<bool> lateReaderIn{false};

   std::thread reader([&] {
      ReadLock lock(mutex);
      readerIn = true;
      waitFor(releaseReader);
   });
   waitFor(readerIn);
   std::atomic<long> writerThread{0};
   std::thread writer([&] {
#ifndef _WIN32
      writerThread = currentThreadId();
#endif
      WriteLock lock(mutex);
      writerIn = true;
      waitFor(releaseWriter);
   });
   waitUntilPending(writerThread);
   std::thread lateReader([&] {
      ReadLock lock(mutex);
      lateReaderIn = true;
   });
   std::this_thread::sleep_for(kPause);
   EXPECT_FALSE(lateReaderIn);
   EXPECT_FALSE(writerIn);

   releaseReader = true;
   waitFor(writerIn);
   std::this_thread::sleep_for(kPause);
   EXPECT_FALSE(lateReaderIn); // still shut out while the writer holds the lock

   releaseWriter = true;
   reader.join();
   writer.join();
   lateReader.join();
   EXPECT_TRUE(lateReaderIn);
}

TEST(ReadWriteMutexTest, TheWritingThreadMayRead)
{
   ReadWriteMutex mutex;
   {
      WriteLock write(mutex);
      ReadLock read(mutex);
   }
   std::atomic<bool> readerIn{false};
   std::thread reader([&] {
      ReadLock lock(mutex);
      readerIn = true;
   });
   reader.join();
   EXPECT_TRUE(readerIn);
}

TEST(ReadWriteMutexTest, UnbalancedReleasesChangeNothing)
{
   ReadWriteMutex mutex;
   mutex.readUnlock();
   mutex.writeUnlock();
   {
      ReadLock read(mutex);
   }
   std::atomic<bool> writerIn{false};
   std::thread writer([&] {
      WriteLock lock(mutex);
      writerIn = true;
   });
   writer.join();
   EXPECT_TRUE(writerIn);
}

TEST(ReadWriteMutexTest, ASecondWriterWaitsForTheFirst)
{
   ReadWriteMutex mutex;
   std::atomic<bool> firstIn{false}, releaseFirst{false}, secondIn{false};
   std::thread first([&] {
      WriteLock lock(mutex);
      firstIn = true;
      waitFor(releaseFirst);
   });
   waitFor(firstIn);
   std::thread second([&] {
      WriteLock lock(mutex);
      secondIn = true;
   });
   std::this_thread::sleep_for(kPause);
   EXPECT_FALSE(secondIn);
   releaseFirst = true;
   first.join();
   second.join();
   EXPECT_TRUE(secondIn);
}

} // namespace
} // namespace velorin::core
