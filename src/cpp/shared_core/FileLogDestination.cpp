// FileLogDestination.cpp: a destination's level, id and size limit over the writer of
// its log file, which the destinations of the same file share.
#include <shared_core/FileLogDestination.hpp>

#include <cstdint>
#include <limits>
#include <utility>

#include "DestinationWriteScope.hpp"
#include "DispatchedLine.hpp"
#include "LogFileWriter.hpp"

namespace velorin::core::log {
namespace {

constexpr double kBytesPerMegabyte = 1048576.0;

// A negative or not-a-number size gives a limit that no file reaches.
std::uint64_t sizeLimitBytes(double maxSizeMb)
{
   const double bytes = maxSizeMb * kBytesPerMegabyte;
   if (!(bytes >= 0.0) || bytes >= 18446744073709551616.0) // 2^64
      return std::numeric_limits<std::uint64_t>::max();
   return static_cast<std::uint64_t>(bytes);
}

} // namespace

struct FileLogDestination::Impl
{
   Impl(FileLogOptions logOptions, unsigned int destinationId)
      : options(std::move(logOptions)), id(destinationId), sizeLimit(sizeLimitBytes(options.getMaxSizeMb()))
   {
   }

   FileLogOptions options;
   unsigned int id;
   std::uint64_t sizeLimit;
   std::shared_ptr<LogFileWriter> writer;
};

FileLogDestination::FileLogDestination(unsigned int id,
                                       LogLevel level,
                                       const std::string& programId,
                                       FileLogOptions options)
   : ILogDestination(level), impl_(std::make_shared<Impl>(std::move(options), id))
{
   // A folder that cannot be made shows later as lines that cannot be written. It is
   // made before the writer is looked up, which compares existing folders.
   ignoreError(impl_->options.getDirectory().ensureDirectory());
   impl_->writer = LogFileWriter::forFile(impl_->options.getDirectory(), programId);
}

FileLogDestination::~FileLogDestination()
{
   impl_->writer->flush();
}

unsigned int FileLogDestination::getId() const
{
   return impl_->id;
}

void FileLogDestination::writeLog(LogLevel level, const std::string& message)
{
   if (level > logLevel_)
      return;

   DestinationWriteScope writing;
   // Another destination of this file may have written the line of this dispatch.
   if (!DispatchedLine::reachesFirstTime(impl_->writer.get()))
      return;
   impl_->writer->write(message, impl_->sizeLimit, impl_->options.getDoRotation());
}

} // namespace velorin::core::log
