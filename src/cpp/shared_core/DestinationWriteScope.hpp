// DestinationWriteScope.hpp: marks the running thread as inside a log destination's
// write, kept out of the public headers.
//
// What a destination calls while it writes (path operations that log their own
// failures) may log again. Such a line would ask for the registry's read side while
// the destination holds its own lock, or while this thread already holds the read
// side; against a pending writer, which waits for both, either deadlocks. The log
// front-ends therefore drop every line logged inside this scope before they ask for
// the lock. The registry opens the scope around its dispatch, and the file destination
// around its own write, which callers may also reach directly.
#pragma once

#include <boost/noncopyable.hpp>

namespace velorin::core::log {

class DestinationWriteScope : boost::noncopyable
{
public:
   DestinationWriteScope();
   // Restores what was there before, so that nested scopes end in order.
   ~DestinationWriteScope();

   // Whether the running thread is inside a destination's write.
   static bool isActive();

private:
   bool wasActive_;
};

} // namespace velorin::core::log
