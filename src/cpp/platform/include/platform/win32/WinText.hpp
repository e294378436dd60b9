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

#include <boost/filesystem/path.hpp>

namespace velorin::platform {

// The layer's own UTF-8/UTF-16 conversions for stand-ins that meet Linux text:
// lenient as the functions above, and never failed by a test hook.
std::wstring utf16FromUtf8(const std::string& text);
std::string utf8FromUtf16(const wchar_t* text, std::size_t length);

// Linux names are bytes: in the wide form of a path, a byte that does not decode as
// UTF-8 is the lone surrogate U+DC00 + byte, so every name keeps its bytes both ways.
// Any other unpaired surrogate stands for no byte: no name here holds it, and a path
// holding it names nothing (its bytes are empty; its text has U+FFFD). The layer's
// own forms, never failed by a test hook:
std::string bytesFromWidePath(const wchar_t* path, std::size_t length);
std::wstring widePathFromBytes(const std::string& path);
bool isNameablePath(const std::wstring& path);

// A path between the library's wide form and Boost's, whose native form is the bytes;
// a path that names nothing is Boost's empty path.
boost::filesystem::path boostPath(const std::wstring& path);
std::wstring wideFromBoostPath(const boost::filesystem::path& path);

// The same for library code, each text read up to its first NUL. Each fails as its
// Windows converter may (empty result, last error set) only when a test hook is armed
// for it by its own name.
std::string utf8PathFromWide(const std::wstring& path);
std::wstring widePathFromUtf8(const std::string& path);

// Between UTF-8 and the ANSI code page (Windows-1252) of the narrow "A" calls; a
// character the code page lacks becomes '?', as Windows' best fit does at worst.
std::string ansiFromUtf8(const std::string& text);
std::string utf8FromAnsi(const std::string& text);

} // namespace velorin::platform
