// LogFileWriter.hpp: the one open writer of a log file, shared by every file
// destination that names that file, kept out of the public headers.
//
// A log file is opened without sharing, so a second writer of the same file could
// never open it and would lose every line of its destination. Destinations of the same
// program id and folder therefore share one writer: it holds the file open while any
// of them lives, serialises their lines, and rotates the file.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include <boost/noncopyable.hpp>
#include <boost/thread/mutex.hpp>

#include <shared_core/FilePath.hpp>

namespace velorin::core::log {

class LogFileWriter : boost::noncopyable
{
public:
   // The writer of the program's log file in the folder: the one that a living
   // destination already uses for that file, or a new one. The folder, when it exists,
   // is compared as the file system sees it, so a second spelling of it finds the same
   // writer.
   static std::shared_ptr<LogFileWriter> forFile(const FilePath& directory, const std::string& programId);

   ~LogFileWriter();

   // Appends the line and flushes it, after rotating the file when rotation is on and
   // the file has reached the limit. Failures are not reported: they cost the line.
   void write(const std::string& line, std::uint64_t sizeLimit, bool doRotation);

   void flush();

private:
   LogFileWriter(const FilePath& directory, const std::string& programId);

   bool isFile(const FilePath& directory, const std::string& logName) const;

   void closeLogFile();
   bool openLogFile();
   std::uint64_t openFileSize() const;
   void rotateLogFile(std::uint64_t sizeLimit);
   void writeLine(const std::string& line);

   const FilePath directory_;
   // The folder as written, lexically normal, for a folder that does not exist.
   const std::string normalDirectory_;
   FilePath logFile_;
   const std::string logName_;
   const std::string rotatedLogName_;
   boost::mutex mutex_;
   std::shared_ptr<std::ostream> stream_;
};

} // namespace velorin::core::log
