// UserHomePath.cpp: the home path's sources, the wide environment lookup, and the two
// FilePath members that fall back on the home path.
#include <shared_core/UserHomePath.hpp>

#include <cctype>
#include <functional>
#include <utility>
#include <vector>

#include <boost/filesystem/operations.hpp>

#include <platform/Win32Api.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/SafeConvert.hpp>
#include <shared_core/system/Win32StringUtils.hpp>

#include "PathSupport.hpp"

namespace velorin::core {
namespace {

// Names are ASCII and widen byte by byte; others are taken as the UTF-8 they usually are.
std::wstring widenName(const std::string& name)
{
   for (unsigned char c : name)
      if (c >= 0x80)
         return string_utils::utf8ToWide(name, "environment variable name");
   return std::wstring(name.begin(), name.end());
}

// The first non-empty variable of the '|'-separated list whose path exists.
FilePath firstExistingVariable(const std::string& names)
{
   if (names.empty())
      return FilePath();
   std::size_t start = 0;
   while (true)
   {
      const std::size_t bar = names.find('|', start);
      const std::string value = system::detail::getenvWide(names.substr(start, bar - start));
      if (!value.empty())
      {
         FilePath path(value);
         if (path.exists())
            return path;
      }
      if (bar == std::string::npos)
         return FilePath();
      start = bar + 1;
   }
}

FilePath documentsFolder(int folder, DWORD flags)
{
   wchar_t buffer[MAX_PATH] = {};
   const HRESULT result = ::SHGetFolderPathW(nullptr, folder, nullptr, flags, buffer);
   if (FAILED(result))
   {
      log::logWarningMessage("Unable to retreive user home path. HRESULT:  " +
                             safe_convert::numberToString(result, true));
      return FilePath();
   }
   return FilePath(std::wstring(buffer));
}

FilePath homeDriveAndPath()
{
   const std::string drive = system::detail::getenvWide("HOMEDRIVE");
   const std::string path = system::detail::getenvWide("HOMEPATH");
   if (drive.empty() || path.empty())
      return FilePath();
   return FilePath(drive + path);
}

FilePath homeDrive()
{
   const std::string drive = system::detail::getenvWide("HOMEDRIVE");
   return FilePath(drive.empty() ? std::string("C:") : drive);
}

} // namespace

namespace system::detail {

std::string getenvWide(const std::string& name)
{
   const std::wstring wideName = widenName(name);
   std::vector<wchar_t> buffer(256);
   DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
   if (length == 0)
      return std::string();
   if (length > buffer.size())
   {
      // The size needed, NUL included; the value may change again before the second call.
      buffer.resize(length);
      length = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0 || length >= buffer.size())
         return std::string();
   }
   return string_utils::wideToUtf8(std::wstring(buffer.data(), length));
}

} // namespace system::detail

FilePath FilePath::resolveAliasedPath(const std::string& aliasedPath, const FilePath& userHomePath)
{
   if (aliasedPath.empty() || aliasedPath == detail::kHomeAlias)
      return userHomePath;
   if (aliasedPath.find(detail::kHomePathAlias) == 0)
      return FilePath(userHomePath.getAbsolutePath() + aliasedPath.substr(1));
   return safeCurrentPath(userHomePath).completePath(aliasedPath);
}

namespace system::detail {

FilePath resolveUserHomePath(const std::string& overrideList)
{
   const std::vector<std::pair<std::string, std::function<FilePath()>>> sources = {
      {"VELORIN_USER|HOME", [&] { return firstExistingVariable(overrideList); }},
      {"SHGFP_TYPE_CURRENT", [] { return documentsFolder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT); }},
      {"SHGFP_TYPE_DEFAULT",
       [] { return documentsFolder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_DEFAULT); }},
      {"USERPROFILE", [] { return firstExistingVariable("USERPROFILE"); }},
      {"HOMEPATH", homeDriveAndPath},
      {"HOMEDRIVE", homeDrive},
   };

   for (const auto& source : sources)
   {
      const FilePath path = source.second();
      if (path.isEmpty())
         continue;
      if (!path.exists())
      {
         log::logWarningMessage("Home path returned by " + source.first + " (" + path.getAbsolutePath() +
                                ") does not exist.");
         continue;
      }
      std::string text = path.getAbsolutePath();
      if (text.size() > 1 && text[1] == ':')
      {
         text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
         return FilePath(text);
      }
      return path;
   }

   log::logErrorMessage("No valid home path found for user");
   return FilePath();
}

} // namespace system::detail

FilePath FilePath::safeCurrentPath(const FilePath& revertToPath)
{
   try
   {
      return FilePath(platform::wideFromBoostPath(boost::filesystem::current_path()));
   }
   catch (const boost::filesystem::filesystem_error& e)
   {
      // A working directory that was removed is the expected reason to fall back.
      const boost::system::error_code code = detail::win32ErrorCode(e.code());
      if (code != boost::system::errc::no_such_file_or_directory)
         log::logError(Error(code, ERROR_LOCATION));
   }
   catch (const std::exception& e)
   {
      log::logErrorMessage(std::string("Unexpected exception: ") + e.what());
   }
   catch (...)
   {
      log::logErrorMessage("Unknown exception");
   }

   const FilePath fallback =
      revertToPath.exists() ? revertToPath : system::detail::resolveUserHomePath(std::string());
   const Error error = fallback.makeCurrentPath(false);
   if (error)
      log::logError(error);
   return fallback;
}

} // namespace velorin::core
