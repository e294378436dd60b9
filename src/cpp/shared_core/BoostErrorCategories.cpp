// BoostErrorCategories.cpp: the "interprocess" and "thread" error categories.
#include <shared_core/BoostErrorCategories.hpp>

#include <platform/Win32Api.hpp>

namespace boost {
namespace interprocess {

const char* interprocess_error_category::name() const noexcept
{
   return "interprocess";
}

std::string interprocess_error_category::message(int code) const
{
   static const char* const kMessages[] = {
      "No error",          "System error",         "Library generated error", "Security error",
      "Read only error",   "IO error",             "Path error",              "Not found error",
      "Busy error",        "Already exists error", "Not empty error",         "Is directory error",
      "Out of space error", "Out of memory error", "Out of resource error",   "Lock error",
      "Sem error",         "Mode error",           "Size error",              "Corrupted error"};
   if (code < 0 || code >= static_cast<int>(sizeof(kMessages) / sizeof(kMessages[0])))
      return "Unknown error";
   return kMessages[code];
}

const boost::system::error_category& interprocess_category()
{
   static const interprocess_error_category& category = *new interprocess_error_category();
   return category;
}

boost::system::error_code error_code_from_exception(const interprocess_exception& e)
{
   if (e.get_error_code() == system_error)
   {
      // The native number is an errno value off Windows; callers see Win32 numbers.
      return boost::system::error_code(
         static_cast<int>(velorin::platform::win32ErrorFromNative(e.get_native_error())),
         velorin::platform::systemCategory());
   }
   return boost::system::error_code(e.get_error_code(), interprocess_category());
}

} // namespace interprocess

namespace thread_error {

const char* thread_error_category::name() const noexcept
{
   return "thread";
}

std::string thread_error_category::message(int) const
{
   return "Thread resource error";
}

const boost::system::error_category& thread_category()
{
   static const thread_error_category& category = *new thread_error_category();
   return category;
}

boost::system::error_code error_code_from_exception(const boost::thread_resource_error&)
{
   return boost::system::error_code(1, thread_category());
}

} // namespace thread_error
} // namespace boost
