// FileLogDestination.hpp: writes log lines to a size-rotated file.
//
//   log::addLogDestination(std::make_shared<log::FileLogDestination>(
//      3, log::LogLevel::INFO, "demo", log::FileLogOptions(FilePath("C:/logs"))));
//   // lines go to C:/logs/demo.log; at 2 MB it becomes demo.old.log and a new file starts
//
// The file is opened on the first line, for appending and without sharing, and held
// open. Before each line, when rotation is on and the file has reached the limit, the
// previous demo.old.log is removed and the current file takes its name. Every line is
// flushed. Lines of different threads are serialised and never interleave. Failures
// are not reported: they cost the lines that could not be written.
//
// Destinations of the same program id and folder share one open writer of the file,
// each with its own id, level and size limit; a line that the registry hands to
// several of them goes into the file once, by the first whose level admits it.
#pragma once

#include <memory>
#include <string>

#include <shared_core/FileLogOptions.hpp>
#include <shared_core/ILogDestination.hpp>

namespace velorin::core::log {

class FileLogDestination : public ILogDestination
{
public:
   // Creates the log folder when it is missing; the file is opened by the first line.
   FileLogDestination(unsigned int id, LogLevel level, const std::string& programId, FileLogOptions options);
   ~FileLogDestination() override;

   unsigned int getId() const override;

   void writeLog(LogLevel level, const std::string& message) override;

private:
   struct Impl;
   std::shared_ptr<Impl> impl_;
};

} // namespace velorin::core::log
