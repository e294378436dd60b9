// WinRpc.hpp: universally unique identifiers.
#pragma once

#include <platform/win32/WinBase.hpp>

using RPC_STATUS = LONG;
using RPC_CSTR = unsigned char*;

constexpr RPC_STATUS RPC_S_OK = 0;
constexpr RPC_STATUS RPC_S_OUT_OF_MEMORY = 14;
constexpr RPC_STATUS RPC_S_UUID_LOCAL_ONLY = 1824;

struct GUID
{
   DWORD Data1;
   WORD Data2;
   WORD Data3;
   BYTE Data4[8];
};
using UUID = GUID;

// A random (version 4) UUID; RPC_S_UUID_NO_ADDRESS when no randomness is at hand.
RPC_STATUS UuidCreate(UUID* uuid);
// The lower-case 8-4-4-4-12 text, freed by RpcStringFreeA.
RPC_STATUS UuidToStringA(const UUID* uuid, RPC_CSTR* stringUuid);
RPC_STATUS RpcStringFreeA(RPC_CSTR* string);
