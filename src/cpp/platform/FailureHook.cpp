// FailureHook.cpp: the stand-ins' one question to a test build.
#include "FailureHook.hpp"

#include <atomic>

namespace velorin::platform {
namespace {

std::atomic<FailureHook> s_hook{nullptr};

} // namespace

bool consumeArmedFailure(const char* function)
{
   const FailureHook hook = s_hook.load(std::memory_order_acquire);
   return hook != nullptr && hook(function);
}

void installFailureHook(FailureHook hook)
{
   s_hook.store(hook, std::memory_order_release);
}

} // namespace velorin::platform
