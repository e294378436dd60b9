// DispatchedLine.cpp: the files that the line being dispatched on this thread reached.
#include "DispatchedLine.hpp"

#include <algorithm>

namespace velorin::core::log {
namespace {

// Plain storage, so that a line logged while the thread's objects are destroyed still
// finds it.
thread_local DispatchedLine* t_current = nullptr;

} // namespace

DispatchedLine::DispatchedLine() : previous_(t_current)
{
   t_current = this;
}

DispatchedLine::~DispatchedLine()
{
   t_current = previous_;
}

bool DispatchedLine::reachesFirstTime(const void* file)
{
   DispatchedLine* const line = t_current;
   if (line == nullptr)
      return true;
   if (std::find(line->files_.begin(), line->files_.end(), file) != line->files_.end())
      return false;
   line->files_.push_back(file);
   return true;
}

} // namespace velorin::core::log
