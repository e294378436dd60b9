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

#include <string>

namespace velorin::platform {

// The layer's own UTF-8/UTF-16 conversions for stand-ins that meet Linux text:
// lenient as the functions above, and never failed by a test hook.
std::wstring utf16FromUtf8(const std::string& text);
std::string utf8FromUtf16(const wchar_t* text, std::size_t length);

// Between UTF-8 and the ANSI code page (Windows-1252) of the narrow "A" calls; a
// character the code page lacks becomes '?', as Windows' best fit does at worst.
std::string ansiFromUtf8(const std::string& text);
std::string utf8FromAnsi(const std::string& text);

} // namespace velorin::platform
