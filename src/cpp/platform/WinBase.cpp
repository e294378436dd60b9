// WinBase.cpp: the thread's last error and the Win32 error numbers' texts.
#include <platform/win32/WinBase.hpp>

#include <cerrno>
#include <map>
#include <mutex>

#include <boost/system/error_code.hpp>

#include "FailureHook.hpp"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// Every open handle of the process. Values only grow, so a stale handle never
// names a newer object.
struct HandleTable
{
   std::mutex mutex;
   std::uintptr_t nextValue = 0x100;
   std::map<HANDLE, std::unique_ptr<velorin::platform::HandleObject>> objects;
};

HandleTable& handleTable()
{
   static HandleTable* table = new HandleTable(); // outlives every static destructor
   return *table;
}

// Windows' own texts, as Boost gives them there: no trailing period or line break.
const char* messageOf(int code)
{
   switch (code)
   {
      case 0: return "The operation completed successfully";
      case 2: return "The system cannot find the file specified";
      case 3: return "The system cannot find the path specified";
      case 4: return "The system cannot open the file";
      case 5: return "Access is denied";
      case 6: return "The handle is invalid";
      case 8: return "Not enough memory resources are available to process this command";
      case 12: return "The access code is invalid";
      case 13: return "The data is invalid";
      case 14: return "Not enough memory resources are available to complete this operation";
      case 17: return "The system cannot move the file to a different disk drive";
      case 18: return "There are no more files";
      case 19: return "The media is write protected";
      case 20: return "The system cannot find the device specified";
      case 22: return "The device does not recognize the command";
      case 24: return "The program issued a command but the command length is incorrect";
      case 31: return "A device attached to the system is not functioning";
      case 32: return "The process cannot access the file because it is being used by another process";
      case 33: return "The process cannot access the file because another process has locked a portion of the file";
      case 36: return "Too many files opened for sharing";
      case 50: return "The request is not supported";
      case 80: return "The file exists";
      case 87: return "The parameter is incorrect";
      case 104: return "Cannot request exclusive semaphores at interrupt time";
      case 112: return "There is not enough space on the disk";
      case 120: return "This function is not supported on this system";
      case 122: return "The data area passed to a system call is too small";
      case 123: return "The filename, directory name, or volume label syntax is incorrect";
      case 129: return "The %1 application cannot be run in Win32 mode";
      case 134: return "An attempt was made to use a JOIN or SUBST command on a drive that has already been joined";
      case 145: return "The directory is not empty";
      case 183: return "Cannot create a file when that file already exists";
      case 203: return "The system could not find the environment option that was entered";
      case 206: return "The filename or extension is too long";
      case 223: return "The file size exceeds the limit allowed and cannot be saved";
      case 232: return "The pipe is being closed";
      case 234: return "More data is available";
      case 267: return "The directory name is invalid";
      case 995: return "The I/O operation has been aborted because of either a thread exit or an application request";
      case 998: return "Invalid access to memory location";
      case 1004: return "Invalid flags";
      case 1113: return "No mapping for the Unicode character exists in the target multi-byte code page";
      case 1117: return "The request could not be performed because of an I/O device error";
      case 1142: return "An attempt was made to create more links on a file than the file system supports";
      case 1150: return "The specified program requires a newer version of Windows";
      case 1312: return "A specified logon session does not exist. It may already have been terminated";
      case 1418: return "Thread does not have a clipboard open";
      case 1739: return "No network address is available to use to construct a universal unique identifier (UUID)";
      case 1920: return "The file cannot be accessed by the system";
      case 1921: return "The name of the file cannot be resolved by the system";
      default: return "Unknown error";
   }
}

class Win32ErrorCategory final : public boost::system::error_category
{
public:
   const char* name() const noexcept override { return "system"; }

   std::string message(int code) const override { return messageOf(code); }

   // Lets callers test a Win32 code against the portable conditions (errc).
   boost::system::error_condition default_error_condition(int code) const noexcept override
   {
      using boost::system::errc::errc_t;
      switch (code)
      {
         case 0: return boost::system::error_condition(0, boost::system::generic_category());
         case 2:
         case 3: return boost::system::errc::make_error_condition(errc_t::no_such_file_or_directory);
         case 4: return boost::system::errc::make_error_condition(errc_t::too_many_files_open);
         case 5: return boost::system::errc::make_error_condition(errc_t::permission_denied);
         case 6: return boost::system::errc::make_error_condition(errc_t::bad_file_descriptor);
         case 8: return boost::system::errc::make_error_condition(errc_t::not_enough_memory);
         case 17: return boost::system::errc::make_error_condition(errc_t::cross_device_link);
         case 19: return boost::system::errc::make_error_condition(errc_t::read_only_file_system);
         case 20: return boost::system::errc::make_error_condition(errc_t::no_such_device);
         case 32: return boost::system::errc::make_error_condition(errc_t::device_or_resource_busy);
         case 33: return boost::system::errc::make_error_condition(errc_t::resource_unavailable_try_again);
         case 36: return boost::system::errc::make_error_condition(errc_t::no_lock_available);
         case 50: return boost::system::errc::make_error_condition(errc_t::not_supported);
         case 80:
         case 183: return boost::system::errc::make_error_condition(errc_t::file_exists);
         case 87:
         case 123: return boost::system::errc::make_error_condition(errc_t::invalid_argument);
         case 112: return boost::system::errc::make_error_condition(errc_t::no_space_on_device);
         case 120: return boost::system::errc::make_error_condition(errc_t::function_not_supported);
         case 145: return boost::system::errc::make_error_condition(errc_t::directory_not_empty);
         case 206: return boost::system::errc::make_error_condition(errc_t::filename_too_long);
         case 223: return boost::system::errc::make_error_condition(errc_t::file_too_large);
         case 232: return boost::system::errc::make_error_condition(errc_t::broken_pipe);
         case 267: return boost::system::errc::make_error_condition(errc_t::not_a_directory);
         case 995: return boost::system::errc::make_error_condition(errc_t::interrupted);
         case 998: return boost::system::errc::make_error_condition(errc_t::bad_address);
         case 1113: return boost::system::errc::make_error_condition(errc_t::illegal_byte_sequence);
         case 1117: return boost::system::errc::make_error_condition(errc_t::io_error);
         case 1142: return boost::system::errc::make_error_condition(errc_t::too_many_links);
         case 1921: return boost::system::errc::make_error_condition(errc_t::too_many_symbolic_link_levels);
         default: return boost::system::error_condition(code, *this);
      }
   }
};

} // namespace

BOOL CloseHandle(HANDLE object)
{
   if (velorin::platform::consumeArmedFailure("CloseHandle"))
      return FALSE;
   std::unique_ptr<velorin::platform::HandleObject> taken =
      velorin::platform::detail::takeHandleIf(object, [](const velorin::platform::HandleObject&) { return true; });
   if (!taken)
   {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
   }
   return TRUE;
}

DWORD GetLastError()
{
   return t_lastError;
}

void SetLastError(DWORD errorCode)
{
   t_lastError = errorCode;
}

namespace velorin::platform {

HandleObject::~HandleObject() = default;

HANDLE addHandle(std::unique_ptr<HandleObject> object)
{
   HandleTable& table = handleTable();
   std::lock_guard<std::mutex> lock(table.mutex);
   HANDLE handle = reinterpret_cast<HANDLE>(table.nextValue);
   table.nextValue += 4;
   table.objects.emplace(handle, std::move(object));
   return handle;
}

namespace detail {

std::unique_ptr<HandleObject> takeHandleIf(HANDLE handle, bool (*matches)(const HandleObject&))
{
   HandleTable& table = handleTable();
   std::lock_guard<std::mutex> lock(table.mutex);
   auto it = table.objects.find(handle);
   if (it == table.objects.end() || !matches(*it->second))
      return nullptr;
   std::unique_ptr<HandleObject> object = std::move(it->second);
   table.objects.erase(it);
   return object;
}

bool visitHandle(HANDLE handle, const std::function<bool(HandleObject&)>& visit)
{
   HandleTable& table = handleTable();
   std::lock_guard<std::mutex> lock(table.mutex);
   auto it = table.objects.find(handle);
   return it != table.objects.end() && visit(*it->second);
}

} // namespace detail

BOOL failWith(DWORD errorCode)
{
   SetLastError(errorCode);
   return FALSE;
}

const boost::system::error_category& systemCategory() noexcept
{
   static const Win32ErrorCategory& category = *new Win32ErrorCategory();
   return category;
}

// The number Windows gives for the same situation. Where one errno value stands for
// several situations that Windows tells apart, the caller decides (an existing entry
// is 183 to a folder create; a file is 267 to a change of working directory).
DWORD win32ErrorFromErrno(int errnoValue)
{
   switch (errnoValue)
   {
      case 0: return ERROR_SUCCESS;
      case ENOENT: return ERROR_FILE_NOT_FOUND;
      case ENOTDIR: return ERROR_PATH_NOT_FOUND;
      case EMFILE:
      case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
      case EACCES:
      case EPERM:
      case EISDIR: return ERROR_ACCESS_DENIED;
      case EBADF: return ERROR_INVALID_HANDLE;
      case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
      case EXDEV: return ERROR_NOT_SAME_DEVICE;
      case EROFS: return ERROR_WRITE_PROTECT;
      case ENODEV:
      case ENXIO: return ERROR_BAD_UNIT;
      case EBUSY:
      case ETXTBSY: return ERROR_SHARING_VIOLATION;
      case EAGAIN: return ERROR_LOCK_VIOLATION; // a locked region, as Windows' byte-range locks
      case ENOLCK: return ERROR_SHARING_BUFFER_EXCEEDED;
      case ENOTSUP: return ERROR_NOT_SUPPORTED;
      case EEXIST: return ERROR_FILE_EXISTS;
      case EINVAL: return ERROR_INVALID_PARAMETER;
      case ENOSPC:
      case EDQUOT: return ERROR_DISK_FULL;
      case ENOSYS: return ERROR_CALL_NOT_IMPLEMENTED;
      case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
      case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
      case EFBIG:
      case EOVERFLOW: return ERROR_FILE_TOO_LARGE;
      case EPIPE: return ERROR_NO_DATA;
      case EINTR: return ERROR_OPERATION_ABORTED;
      case EFAULT: return ERROR_NOACCESS;
      case EILSEQ: return ERROR_NO_UNICODE_TRANSLATION;
      case EIO: return ERROR_IO_DEVICE;
      case EMLINK: return ERROR_TOO_MANY_LINKS;
      case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
      default: return ERROR_GEN_FAILURE;
   }
}

} // namespace velorin::platform
