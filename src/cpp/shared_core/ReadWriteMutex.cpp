// ReadWriteMutex.cpp: writer-preferring readers-writer lock with writer-may-read.
#include <shared_core/ReadWriteMutex.hpp>

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/recursive_mutex.hpp>

namespace velorin::core {

struct ReadWriteMutex::State
{
   bool writing = false;
   unsigned int readers = 0;
   boost::recursive_mutex stateMutex;
   // Owned by the writing thread for as long as it holds the write side; a recursive
   // try-lock is how a reader recognises that it is that thread.
   boost::recursive_mutex writerMutex;
   boost::condition_variable_any condition;
};

ReadWriteMutex::ReadWriteMutex() : state_(std::make_unique<State>())
{
}

ReadWriteMutex::~ReadWriteMutex() = default;

void ReadWriteMutex::readLock()
{
   boost::unique_lock<boost::recursive_mutex> lock(state_->stateMutex);
   bool tookWriterMutex = false;
   if (state_->writing)
   {
      while (!(tookWriterMutex = state_->writerMutex.try_lock()))
      {
         if (!state_->writing)
            break;
         state_->condition.wait(lock);
      }
   }
   ++state_->readers;
   if (tookWriterMutex)
      state_->writerMutex.unlock();
}

void ReadWriteMutex::readUnlock()
{
   boost::unique_lock<boost::recursive_mutex> lock(state_->stateMutex);
   if (state_->readers == 0)
      return;
   if (--state_->readers == 0)
      state_->condition.notify_all();
}

void ReadWriteMutex::writeLock()
{
   boost::unique_lock<boost::recursive_mutex> lock(state_->stateMutex);
   while (!state_->writerMutex.try_lock())
      state_->condition.wait(lock);
   state_->writing = true;
   while (state_->readers > 0)
      state_->condition.wait(lock);
}

void ReadWriteMutex::writeUnlock()
{
   boost::unique_lock<boost::recursive_mutex> lock(state_->stateMutex);
   if (!state_->writing)
      return;
   state_->writerMutex.unlock();
   state_->writing = false;
   state_->condition.notify_all();
}

} // namespace velorin::core
