// ReadWriteMutex.hpp: the readers-writer lock that guards the logger registry.
//
//   ReadWriteMutex mutex;
//   { WriteLock write(mutex); ... { ReadLock read(mutex); log(...); } }
//
// Many threads may hold the read side at once. A writer shuts out new readers, then
// waits for those present to leave, so a stream of readers cannot starve it. Unlike a
// plain shared mutex, the thread that holds the write side may also take the read
// side, which lets code under the write side log.
#pragma once

#include <memory>

#include <boost/noncopyable.hpp>

namespace velorin::core {

class ReadWriteMutex : boost::noncopyable
{
public:
   ReadWriteMutex();
   ~ReadWriteMutex();

   // The only failures are Boost.Thread's lock exceptions, which propagate.
   void readLock();
   void readUnlock();
   void writeLock();
   void writeUnlock();

private:
   struct State;
   std::unique_ptr<State> state_;
};

class ReadLock : boost::noncopyable
{
public:
   explicit ReadLock(ReadWriteMutex& mutex) : mutex_(&mutex) { mutex_->readLock(); }
   ~ReadLock() { mutex_->readUnlock(); }

private:
   ReadWriteMutex* mutex_;
};

class WriteLock : boost::noncopyable
{
public:
   explicit WriteLock(ReadWriteMutex& mutex) : mutex_(&mutex) { mutex_->writeLock(); }
   ~WriteLock() { mutex_->writeUnlock(); }

private:
   ReadWriteMutex* mutex_;
};

} // namespace velorin::core
