// WinRpc.cpp: version-4 UUIDs from the kernel's random numbers.
#include <platform/win32/WinRpc.hpp>

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "FailureHook.hpp"

namespace {

RPC_STATUS armedStatus()
{
   return static_cast<RPC_STATUS>(GetLastError());
}

} // namespace

RPC_STATUS RpcStringFreeA(RPC_CSTR* string)
{
   if (velorin::platform::consumeArmedFailure("RpcStringFreeA"))
      return armedStatus();
   if (string == nullptr)
      return static_cast<RPC_STATUS>(ERROR_INVALID_PARAMETER);
   delete[] *string;
   *string = nullptr;
   return RPC_S_OK;
}

RPC_STATUS UuidCreate(UUID* uuid)
{
   if (velorin::platform::consumeArmedFailure("UuidCreate"))
      return armedStatus();
   if (uuid == nullptr)
      return static_cast<RPC_STATUS>(ERROR_INVALID_PARAMETER);
   unsigned char bytes[16];
   std::size_t got = 0;
   while (got < sizeof(bytes))
   {
      const ssize_t result = ::getrandom(bytes + got, sizeof(bytes) - got, 0);
      if (result < 0 && errno != EINTR)
         return static_cast<RPC_STATUS>(RPC_S_UUID_NO_ADDRESS);
      if (result > 0)
         got += static_cast<std::size_t>(result);
   }
   bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
   bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // the RFC 4122 variant
   uuid->Data1 = (DWORD(bytes[0]) << 24) | (DWORD(bytes[1]) << 16) | (DWORD(bytes[2]) << 8) | bytes[3];
   uuid->Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
   uuid->Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
   std::memcpy(uuid->Data4, bytes + 8, 8);
   return RPC_S_OK;
}

RPC_STATUS UuidToStringA(const UUID* uuid, RPC_CSTR* stringUuid)
{
   if (velorin::platform::consumeArmedFailure("UuidToStringA"))
      return armedStatus();
   if (uuid == nullptr || stringUuid == nullptr)
      return static_cast<RPC_STATUS>(ERROR_INVALID_PARAMETER);
   unsigned char* text = new (std::nothrow) unsigned char[37];
   if (text == nullptr)
      return RPC_S_OUT_OF_MEMORY;
   std::snprintf(reinterpret_cast<char*>(text), 37, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                 uuid->Data1, uuid->Data2, uuid->Data3, uuid->Data4[0], uuid->Data4[1], uuid->Data4[2],
                 uuid->Data4[3], uuid->Data4[4], uuid->Data4[5], uuid->Data4[6], uuid->Data4[7]);
   *stringUuid = text;
   return RPC_S_OK;
}
