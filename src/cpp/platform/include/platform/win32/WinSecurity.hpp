// WinSecurity.hpp: the running process's access token and the Administrators group.
//
// Linux has no split tokens. The token's elevation type is read from the account: root
// runs elevated (full), a member of the group 0, "sudo", "wheel" or "admin" stands
// for an administrator under user account control (limited, with a linked full token
// that belongs to Administrators), anyone else for a standard user (default).
#pragma once

#include <platform/win32/WinBase.hpp>

using PSID = void*;

constexpr DWORD TOKEN_QUERY = 0x8;
constexpr DWORD SECURITY_MAX_SID_SIZE = 68;

enum TOKEN_INFORMATION_CLASS
{
   TokenElevationType = 18,
   TokenLinkedToken = 19
};

enum TOKEN_ELEVATION_TYPE
{
   TokenElevationTypeDefault = 1,
   TokenElevationTypeFull = 2,
   TokenElevationTypeLimited = 3
};

struct TOKEN_LINKED_TOKEN
{
   HANDLE LinkedToken;
};

enum WELL_KNOWN_SID_TYPE
{
   WinBuiltinAdministratorsSid = 26
};

// The running process's token only (50 for another process).
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token);
// TokenElevationType and TokenLinkedToken (a new token handle; 1312 for a token that
// is not limited). A buffer too small gives 122 with the size needed.
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD length, PDWORD returnLength);
// WinBuiltinAdministratorsSid only (87 otherwise): S-1-5-32-544 in 16 bytes.
BOOL CreateWellKnownSid(WELL_KNOWN_SID_TYPE sidType, PSID domainSid, PSID sid, DWORD* sidSize);
BOOL CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember);

// shell32's administrator test (ordinal 680): whether the process runs with
// administrator rights, that is elevated.
BOOL IsUserAnAdmin();

namespace velorin::platform {

// For tests: the elevation type every token reports from now on; 0 reads it from the
// account again.
void setTokenElevationType(int elevationType);

} // namespace velorin::platform
