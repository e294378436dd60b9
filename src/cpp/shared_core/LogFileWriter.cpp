// LogFileWriter.cpp: appending to a log file and rotating it, for every destination
// that names the file.
#include "LogFileWriter.hpp"

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

#include <boost/thread/lock_guard.hpp>

namespace velorin::core::log {
namespace {

// The writers in use. Never destroyed, so that destinations made or released while
// the process exits still find it.
struct WriterTable
{
   std::mutex mutex;
   std::vector<std::weak_ptr<LogFileWriter>> writers;
};

WriterTable& writerTable()
{
   static WriterTable* const table = new WriterTable();
   return *table;
}

std::string normalText(const FilePath& directory)
{
   return directory.isEmpty() ? std::string() : FilePath(directory.getAbsolutePath()).getLexicallyNormalPath();
}

} // namespace

LogFileWriter::LogFileWriter(const FilePath& directory, const std::string& programId)
   : directory_(directory),
     normalDirectory_(normalText(directory)),
     logName_(programId + ".log"),
     rotatedLogName_(programId + ".old.log")
{
}

LogFileWriter::~LogFileWriter()
{
   closeLogFile();
}

void LogFileWriter::closeLogFile()
{
   if (!stream_)
      return;
   stream_->flush();
   stream_.reset();
}

void LogFileWriter::flush()
{
   boost::lock_guard<boost::mutex> lock(mutex_);
   if (stream_)
      stream_->flush();
}

std::shared_ptr<LogFileWriter> LogFileWriter::forFile(const FilePath& directory, const std::string& programId)
{
   WriterTable& table = writerTable();
   const std::string logName = programId + ".log";
   std::lock_guard<std::mutex> lock(table.mutex);
   auto& writers = table.writers;
   writers.erase(std::remove_if(writers.begin(), writers.end(),
                                [](const std::weak_ptr<LogFileWriter>& writer) { return writer.expired(); }),
                 writers.end());
   for (const auto& entry : writers)
   {
      std::shared_ptr<LogFileWriter> writer = entry.lock();
      if (writer && writer->isFile(directory, logName))
         return writer;
   }
   std::shared_ptr<LogFileWriter> writer(new LogFileWriter(directory, programId));
   writers.push_back(writer);
   return writer;
}

bool LogFileWriter::isFile(const FilePath& directory, const std::string& logName) const
{
   if (logName != logName_)
      return false;
   return normalText(directory) == normalDirectory_ || directory.isEquivalentTo(directory_);
}

// The file's own size, not a count of the lines written: others may have truncated or
// appended to it since it was opened. The open stream is asked, which is the file the
// lines go to and costs no lookup of its path; a stream that cannot tell counts as an
// empty file.
std::uint64_t LogFileWriter::openFileSize() const
{
   try
   {
      const std::streamoff end = stream_->rdbuf()->pubseekoff(0, std::ios::end, std::ios::out);
      return end < 0 ? 0 : static_cast<std::uint64_t>(end);
   }
   catch (const std::exception&)
   {
      return 0; // the stream's device reports a failed seek by throwing
   }
}

// Whether a stream is open afterwards. Failures are not reported: the line is lost.
bool LogFileWriter::openLogFile()
{
   FilePath file;
   if (directory_.completeChildPath(logName_, file))
      return false;
   logFile_ = file;
   if (logFile_.ensureFile())
      return false;
   std::shared_ptr<std::ostream> opened;
   if (logFile_.openForWrite(opened, false))
      return false;
   stream_ = opened;
   return true;
}

void LogFileWriter::rotateLogFile(std::uint64_t sizeLimit)
{
   if (openFileSize() < sizeLimit)
      return;

   // The form that reports an error: the other falls back on the folder itself, which
   // the removal below would then delete with everything in it.
   FilePath rotatedFile;
   if (directory_.completeChildPath(rotatedLogName_, rotatedFile))
      return;
   if (rotatedFile.remove())
      return; // the line goes on into the current file; the next line tries again

   closeLogFile();
   // After a failed move the current file is opened again, so lines keep arriving and
   // the next line tries the rotation again.
   ignoreError(logFile_.move(rotatedFile, FilePath::MoveCrossDevice));
   openLogFile();
}

void LogFileWriter::write(const std::string& line, std::uint64_t sizeLimit, bool doRotation)
{
   boost::lock_guard<boost::mutex> lock(mutex_);
   if (!stream_ && !openLogFile())
      return;
   if (doRotation)
      rotateLogFile(sizeLimit);
   if (stream_)
      writeLine(line);
}

void LogFileWriter::writeLine(const std::string& line)
{
   stream_->write(line.data(), static_cast<std::streamsize>(line.size()));
   stream_->flush();
   if (!*stream_)
   {
      // A full disk, say: the next line opens the file afresh.
      stream_.reset();
   }
}

} // namespace velorin::core::log
