// FileLogDestination.cpp: appending to the log file, and rotating it at its size limit.
#include <shared_core/FileLogDestination.hpp>

#include <cstdint>
#include <limits>
#include <ostream>
#include <utility>

#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

#include "DestinationWriteScope.hpp"

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
   Impl(FileLogOptions logOptions, const std::string& programId, unsigned int destinationId)
      : options(std::move(logOptions)),
        logName(programId + ".log"),
        rotatedLogName(programId + ".old.log"),
        id(destinationId),
        sizeLimit(sizeLimitBytes(options.getMaxSizeMb()))
   {
   }

   ~Impl() { closeLogFile(); }

   void closeLogFile()
   {
      if (!stream)
         return;
      stream->flush();
      stream.reset();
   }

   // Whether a stream is open afterwards. Failures are not reported: the line is lost.
   bool openLogFile()
   {
      FilePath file;
      if (options.getDirectory().completeChildPath(logName, file))
         return false;
      logFile = file;
      if (logFile.ensureFile())
         return false;
      std::shared_ptr<std::ostream> opened;
      if (logFile.openForWrite(opened, false))
         return false;
      stream = opened;
      return true;
   }

   // The file's own size, not a count of the lines written: others may have truncated
   // or appended to it since it was opened. The open stream is asked, which is the file
   // the lines go to and costs no lookup of its path; a stream that cannot tell counts
   // as an empty file.
   std::uint64_t openFileSize() const
   {
      const std::streamoff end = stream->rdbuf()->pubseekoff(0, std::ios::end, std::ios::out);
      return end < 0 ? 0 : static_cast<std::uint64_t>(end);
   }

   void rotateLogFile()
   {
      if (!options.getDoRotation() || openFileSize() < sizeLimit)
         return;

      // The form that reports an error: the other falls back on the folder itself,
      // which the removal below would then delete with everything in it.
      FilePath rotatedFile;
      if (options.getDirectory().completeChildPath(rotatedLogName, rotatedFile))
         return;
      if (rotatedFile.remove())
         return; // the line goes on into the current file; the next line tries again

      closeLogFile();
      // After a failed move the current file is opened again, so lines keep arriving
      // and the next line tries the rotation again.
      logFile.move(rotatedFile, FilePath::MoveCrossDevice);
      openLogFile();
   }

   void writeLine(const std::string& line)
   {
      stream->write(line.data(), static_cast<std::streamsize>(line.size()));
      stream->flush();
      if (!*stream)
      {
         // A full disk, say: the next line opens the file afresh.
         stream.reset();
      }
   }

   FileLogOptions options;
   FilePath logFile;
   std::string logName;
   std::string rotatedLogName;
   boost::mutex mutex;
   unsigned int id;
   std::shared_ptr<std::ostream> stream;
   std::uint64_t sizeLimit;
};

FileLogDestination::FileLogDestination(unsigned int id,
                                       LogLevel level,
                                       const std::string& programId,
                                       FileLogOptions options)
   : ILogDestination(level), impl_(std::make_shared<Impl>(std::move(options), programId, id))
{
   // A folder that cannot be made shows later as lines that cannot be written.
   impl_->options.getDirectory().ensureDirectory();
}

FileLogDestination::~FileLogDestination()
{
   boost::lock_guard<boost::mutex> lock(impl_->mutex);
   if (impl_->stream)
      impl_->stream->flush();
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
   boost::lock_guard<boost::mutex> lock(impl_->mutex);
   if (!impl_->stream && !impl_->openLogFile())
      return;
   impl_->rotateLogFile();
   if (impl_->stream)
      impl_->writeLine(message);
}

} // namespace velorin::core::log
