// DispatchedLine.hpp: the line the registry is handing to its destinations on the
// running thread, and the log files it has reached so far, kept out of the public
// headers.
//
// File destinations that name one file share its one writer (a named logger inherits
// the default logger's folder, and every set-up adds a destination for the same file),
// so one line handed to several of them would reach the file several times. Each file
// takes a line once per dispatch: the destinations after the first that admits it
// leave it.
#pragma once

#include <boost/container/small_vector.hpp>
#include <boost/noncopyable.hpp>

namespace velorin::core::log {

class DispatchedLine : boost::noncopyable
{
public:
   // Opened by the registry around handing one line to the destinations of a map.
   DispatchedLine();
   ~DispatchedLine();

   // Whether the line being handed out has not reached the file yet, which it then has.
   // Outside a dispatch (a destination called directly) every line is a first.
   static bool reachesFirstTime(const void* file);

private:
   DispatchedLine* previous_;
   // A dispatch meets a few files at most.
   boost::container::small_vector<const void*, 4> files_;
};

} // namespace velorin::core::log
