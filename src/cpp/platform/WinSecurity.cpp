// WinSecurity.cpp: tokens whose elevation comes from the account's id and groups.
#include <platform/win32/WinSecurity.hpp>

#include <grp.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include <platform/win32/WinProcess.hpp>

#include "FailureHook.hpp"

namespace {

using velorin::platform::failWith;

std::atomic<int> s_elevationType{0};

// S-1-5-32-544: revision 1, two sub-authorities, authority 5, then 32 and 544.
constexpr BYTE kAdministratorsSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};

class TokenHandle final : public velorin::platform::HandleObject
{
public:
   TokenHandle(TOKEN_ELEVATION_TYPE type, bool administrator) : type(type), administrator(administrator) {}
   TOKEN_ELEVATION_TYPE type;
   bool administrator;
};

bool inAdministrativeGroup()
{
   if (::getegid() == 0)
      return true;
   const int count = ::getgroups(0, nullptr);
   std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
   if (count > 0 && ::getgroups(count, groups.data()) < 0)
      return false;
   for (gid_t id : groups)
   {
      if (id == 0)
         return true;
      const group* found = ::getgrgid(id);
      if (found == nullptr || found->gr_name == nullptr)
         continue;
      for (const char* name : {"sudo", "wheel", "admin"})
         if (std::strcmp(found->gr_name, name) == 0)
            return true;
   }
   return false;
}

TOKEN_ELEVATION_TYPE elevationType()
{
   if (const int forced = s_elevationType.load())
      return static_cast<TOKEN_ELEVATION_TYPE>(forced);
   if (::geteuid() == 0)
      return TokenElevationTypeFull;
   return inAdministrativeGroup() ? TokenElevationTypeLimited : TokenElevationTypeDefault;
}

// Copies a value of the class into the caller's buffer by Windows' size protocol.
template <typename T>
BOOL answer(const T& value, LPVOID information, DWORD length, PDWORD returnLength)
{
   if (returnLength != nullptr)
      *returnLength = sizeof(T);
   if (information == nullptr || length < sizeof(T))
      return failWith(ERROR_INSUFFICIENT_BUFFER);
   std::memcpy(information, &value, sizeof(T));
   return TRUE;
}

} // namespace

BOOL CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember)
{
   if (velorin::platform::consumeArmedFailure("CheckTokenMembership"))
      return FALSE;
   if (sid == nullptr || isMember == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   bool administrator = false;
   if (token == nullptr)
      administrator = elevationType() == TokenElevationTypeFull;
   else if (!velorin::platform::visitHandle<TokenHandle>(
               token, [&](TokenHandle& found) { administrator = found.administrator; }))
      return failWith(ERROR_INVALID_HANDLE);
   *isMember = administrator && std::memcmp(sid, kAdministratorsSid, sizeof(kAdministratorsSid)) == 0;
   return TRUE;
}

BOOL CreateWellKnownSid(WELL_KNOWN_SID_TYPE sidType, PSID domainSid, PSID sid, DWORD* sidSize)
{
   (void)domainSid;
   if (velorin::platform::consumeArmedFailure("CreateWellKnownSid"))
      return FALSE;
   if (sidType != WinBuiltinAdministratorsSid || sidSize == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   const DWORD available = *sidSize;
   *sidSize = sizeof(kAdministratorsSid);
   if (sid == nullptr || available < sizeof(kAdministratorsSid))
      return failWith(ERROR_INSUFFICIENT_BUFFER);
   std::memcpy(sid, kAdministratorsSid, sizeof(kAdministratorsSid));
   return TRUE;
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD length, PDWORD returnLength)
{
   if (velorin::platform::consumeArmedFailure("GetTokenInformation"))
      return FALSE;
   TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
   if (!velorin::platform::visitHandle<TokenHandle>(token, [&](TokenHandle& found) { type = found.type; }))
      return failWith(ERROR_INVALID_HANDLE);

   switch (informationClass)
   {
      case TokenElevationType: return answer(type, information, length, returnLength);
      case TokenLinkedToken:
      {
         if (type != TokenElevationTypeLimited)
            return failWith(ERROR_NO_SUCH_LOGON_SESSION);
         if (information == nullptr || length < sizeof(TOKEN_LINKED_TOKEN))
            return answer(TOKEN_LINKED_TOKEN{}, nullptr, 0, returnLength);
         const TOKEN_LINKED_TOKEN linked{
            velorin::platform::addHandle(std::make_unique<TokenHandle>(TokenElevationTypeFull, true))};
         return answer(linked, information, length, returnLength);
      }
      default: return failWith(ERROR_INVALID_PARAMETER);
   }
}

BOOL IsUserAnAdmin()
{
   return elevationType() == TokenElevationTypeFull ? TRUE : FALSE;
}

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token)
{
   (void)desiredAccess;
   if (velorin::platform::consumeArmedFailure("OpenProcessToken"))
      return FALSE;
   if (token == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   if (process != GetCurrentProcess())
      return failWith(ERROR_NOT_SUPPORTED);
   const TOKEN_ELEVATION_TYPE type = elevationType();
   *token = velorin::platform::addHandle(std::make_unique<TokenHandle>(type, type == TokenElevationTypeFull));
   return TRUE;
}

namespace velorin::platform {

void setTokenElevationType(int elevationType)
{
   s_elevationType = elevationType;
}

} // namespace velorin::platform
