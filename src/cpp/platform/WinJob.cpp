// WinJob.cpp: a job object that holds its limits and, when told to kill on close,
// has the children the program starts later die with it.
#include <platform/win32/WinJob.hpp>

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include <platform/win32/WinEnvironment.hpp>
#include <platform/win32/WinProcess.hpp>

#include "EnvironmentAccess.hpp"
#include "FailureHook.hpp"

namespace {

using velorin::platform::failWith;

class JobHandle final : public velorin::platform::HandleObject
{
public:
   DWORD limitFlags = 0;
};

bool isJob(HANDLE job)
{
   return velorin::platform::visitHandle<JobHandle>(job, [](JobHandle&) {});
}

} // namespace

BOOL AssignProcessToJobObject(HANDLE job, HANDLE process)
{
   if (velorin::platform::consumeArmedFailure("AssignProcessToJobObject"))
      return FALSE;
   DWORD limitFlags = 0;
   if (!velorin::platform::visitHandle<JobHandle>(job, [&](JobHandle& found) { limitFlags = found.limitFlags; }))
      return failWith(ERROR_INVALID_HANDLE);
   if (process != GetCurrentProcess())
      return failWith(ERROR_NOT_SUPPORTED);
   const std::optional<std::string> refusing =
      velorin::platform::environmentValue(velorin::platform::kRefusingJobVariable);
   if (refusing && !refusing->empty())
      return failWith(ERROR_ACCESS_DENIED);
   if ((limitFlags & JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) != 0)
      velorin::platform::setKillChildrenOnExit(true);
   return TRUE;
}

HANDLE CreateJobObjectA(LPSECURITY_ATTRIBUTES jobAttributes, LPCSTR name)
{
   (void)jobAttributes;
   if (velorin::platform::consumeArmedFailure("CreateJobObjectA"))
      return nullptr;
   if (name != nullptr)
   {
      SetLastError(ERROR_NOT_SUPPORTED);
      return nullptr;
   }
   return velorin::platform::addHandle(std::make_unique<JobHandle>());
}

BOOL SetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS informationClass, LPVOID information, DWORD length)
{
   if (velorin::platform::consumeArmedFailure("SetInformationJobObject"))
      return FALSE;
   if (!isJob(job))
      return failWith(ERROR_INVALID_HANDLE);
   if (informationClass != JobObjectExtendedLimitInformation || information == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   if (length != sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION))
      return failWith(ERROR_BAD_LENGTH);
   JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
   std::memcpy(&limits, information, sizeof(limits));
   velorin::platform::visitHandle<JobHandle>(
      job, [&](JobHandle& found) { found.limitFlags = limits.BasicLimitInformation.LimitFlags; });
   return TRUE;
}
