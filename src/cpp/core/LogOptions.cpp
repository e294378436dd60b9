// LogOptions.cpp: finding and reading "logging.conf", and answering logger by logger.
#include <core/LogOptions.hpp>

#include <utility>

#include <core/system/System.hpp>

namespace velorin::core::log {
namespace {

constexpr unsigned int kAllProgramsLevel = 0;
constexpr unsigned int kProgramLevel = 1;
constexpr unsigned int kLoggerLevel = 2;

constexpr char kConfigFileName[] = "logging.conf";
constexpr char kUserAppName[] = "Velorin-Desktop";
constexpr char kMachineAppName[] = "Velorin";

constexpr char kLogLevelParam[] = "log-level";
constexpr char kLoggerTypeParam[] = "logger-type";
constexpr char kLogDirParam[] = "log-dir";
constexpr char kLogFileModeParam[] = "log-file-mode";
constexpr char kRotateParam[] = "rotate";
constexpr char kIncludePidParam[] = "log-file-include-pid";
constexpr char kMaxSizeParam[] = "max-size-mb";

// The per-user folder, whether it exists or not: the shell gives no folder of the
// application until it has been made, and the log folder below it is made by the
// first file destination. Empty when the shell gives no per-user folder at all.
FilePath userAppFolder()
{
   const FilePath base = system::userSettingsPath(system::userHomePath(), std::string(), false);
   return base.isEmpty() ? base : base.completePath(kUserAppName);
}

// Resolved on first use rather than before main, where the path type's own globals
// may not be built yet, and never destroyed, so that it serves after main too. Empty
// without a per-user folder: "logs" alone would be a folder of whatever the working
// directory is.
const FilePath& defaultLogFolder()
{
   static const FilePath& folder = *new FilePath([] {
      const FilePath appFolder = userAppFolder();
      return appFolder.isEmpty() ? appFolder : appFolder.completePath("logs");
   }());
   return folder;
}

// There is no keyword for OFF: it is written as the default, "warn".
std::string logLevelKeyword(LogLevel level)
{
   switch (level)
   {
      case LogLevel::ERROR: return "error";
      case LogLevel::INFO: return "info";
      case LogLevel::DEBUG: return "debug";
      default: return "warn";
   }
}

LogLevel logLevelFromKeyword(const std::string& keyword)
{
   if (keyword == "error")
      return LogLevel::ERROR;
   if (keyword == "info")
      return LogLevel::INFO;
   if (keyword == "debug")
      return LogLevel::DEBUG;
   return LogLevel::WARNING;
}

std::string loggerTypeKeyword(LoggerType type)
{
   switch (type)
   {
      case LoggerType::STDERR: return "stderr";
      case LoggerType::FILE: return "file";
      default: return "syslog";
   }
}

LoggerType loggerTypeFromKeyword(const std::string& keyword)
{
   if (keyword == "stderr")
      return LoggerType::STDERR;
   if (keyword == "file")
      return LoggerType::FILE;
   return LoggerType::SYSLOG;
}

// The first candidate that exists, or an empty path.
FilePath findConfigFile()
{
   const FilePath userFolder = userAppFolder();
   if (!userFolder.isEmpty())
   {
      const FilePath userFile = userFolder.completePath(kConfigFileName);
      if (userFile.exists())
         return userFile;
   }
   const FilePath machineFolder = system::systemSettingsPath(kMachineAppName, false);
   if (!machineFolder.isEmpty())
   {
      const FilePath machineFile = machineFolder.completePath(kConfigFileName);
      if (machineFile.exists())
         return machineFile;
   }
   return FilePath();
}

} // namespace

LogOptions::LogOptions(const std::string& programIdentity)
   : LogOptions(programIdentity, LogLevel::WARNING, LoggerType::SYSLOG, SyslogLogOptions())
{
}

LogOptions::LogOptions(const std::string& programIdentity,
                       LogLevel logLevel,
                       LoggerType loggerType,
                       LoggerOptions options)
   : programIdentity_(programIdentity),
     logLevel_(logLevelKeyword(logLevel)),
     loggerType_(loggerTypeKeyword(loggerType)),
     loggerOptions_(std::move(options)),
     lowestLogLevel_(logLevel)
{
   initProfile();
}

ConfigProfile::LevelValues LogOptions::getLevels(const std::string& loggerName) const
{
   ConfigProfile::LevelValues levels = {{kAllProgramsLevel, std::string()}, {kProgramLevel, programIdentity_}};
   if (!loggerName.empty())
      levels.emplace_back(kLoggerLevel, loggerName);
   return levels;
}

LoggerOptions LogOptions::getLoggerOptions(const std::string& loggerName) const
{
   switch (getLoggerType(loggerName))
   {
      case LoggerType::STDERR: return StderrLogOptions();
      case LoggerType::FILE:
      {
         // Each value falls back on its default alone; the set-up never fails on one.
         const ConfigProfile::LevelValues levels = getLevels(loggerName);
         std::string directory;
         bool rotate = true;
         double maxSizeMb = 0;
         bool includePid = false;
         std::string fileMode;
         ignoreError(profile_.getParam(kLogDirParam, &directory, levels));
         ignoreError(profile_.getParam(kRotateParam, &rotate, levels));
         ignoreError(profile_.getParam(kMaxSizeParam, &maxSizeMb, levels));
         ignoreError(profile_.getParam(kIncludePidParam, &includePid, levels));
         ignoreError(profile_.getParam(kLogFileModeParam, &fileMode, levels));
         return FileLogOptions(FilePath(directory), fileMode, maxSizeMb, rotate, includePid);
      }
      default: return SyslogLogOptions();
   }
}

std::vector<std::string> LogOptions::getLoggers() const
{
   return profile_.getLevelNames(kLoggerLevel);
}

LoggerType LogOptions::getLoggerType(const std::string& loggerName) const
{
   std::string keyword;
   ignoreError(profile_.getParam(kLoggerTypeParam, &keyword, getLevels(loggerName))); // an unread keyword names the default
   return loggerTypeFromKeyword(keyword);
}

LogLevel LogOptions::getLogLevel(const std::string& loggerName) const
{
   std::string keyword;
   ignoreError(profile_.getParam(kLogLevelParam, &keyword, getLevels(loggerName))); // an unread keyword names the default
   return logLevelFromKeyword(keyword);
}

LogLevel LogOptions::getLowestLogLevel() const
{
   return lowestLogLevel_;
}

void LogOptions::initProfile()
{
   const FileLogOptions* fileOptions = boost::get<FileLogOptions>(&loggerOptions_);
   const FileLogOptions defaults = fileOptions != nullptr ? *fileOptions : FileLogOptions(defaultLogFolder());

   profile_.addSections({{kAllProgramsLevel, "*"}, {kProgramLevel, "@"}, {kLoggerLevel, std::string()}});
   profile_.addParams(kLogLevelParam, logLevel_,
                      kLoggerTypeParam, loggerType_,
                      kLogDirParam, defaults.getDirectory().getAbsolutePath(),
                      kLogFileModeParam, defaults.getFileMode(),
                      kRotateParam, defaults.getDoRotation(),
                      kIncludePidParam, defaults.getIncludePid(),
                      kMaxSizeParam, defaults.getMaxSizeMb());
}

Error LogOptions::read()
{
   const FilePath configFile = findConfigFile();
   if (configFile.isEmpty())
      return Success();

   Error error = profile_.parseFile(configFile);
   if (error)
      return error;
   setLowestLogLevel();
   return Success();
}

void LogOptions::setLowestLogLevel()
{
   lowestLogLevel_ = getLogLevel();
   for (const std::string& logger : getLoggers())
   {
      if (lowestLogLevel_ == LogLevel::DEBUG)
         break;
      const LogLevel level = getLogLevel(logger);
      if (level > lowestLogLevel_)
         lowestLogLevel_ = level;
   }
}

} // namespace velorin::core::log
