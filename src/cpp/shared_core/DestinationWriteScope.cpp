// DestinationWriteScope.cpp: the thread's mark of being inside a destination's write.
#include "DestinationWriteScope.hpp"

namespace velorin::core::log {
namespace {

thread_local bool t_insideDestinationWrite = false;

} // namespace

DestinationWriteScope::DestinationWriteScope() : wasActive_(t_insideDestinationWrite)
{
   t_insideDestinationWrite = true;
}

DestinationWriteScope::~DestinationWriteScope()
{
   t_insideDestinationWrite = wasActive_;
}

bool DestinationWriteScope::isActive()
{
   return t_insideDestinationWrite;
}

} // namespace velorin::core::log
