// WinText.hpp: conversion between multibyte text and UTF-16.
#pragma once

#include <platform/win32/WinBase.hpp>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByteStr, int multiByteCount,
                        LPWSTR wideCharStr, int wideCharCount);

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wideCharStr, int wideCharCount,
                        LPSTR multiByteStr, int multiByteCount, LPCCH defaultChar,
                        LPBOOL usedDefaultChar);
