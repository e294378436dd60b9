// BoostErrorCategories.hpp: error categories for Boost.Interprocess and Boost.Thread
// exceptions, so that they become error_code values and from there core::Error.
//
//   catch (const boost::thread_resource_error& e)
//   {
//      return Error(boost::thread_error::error_code_from_exception(e), ERROR_LOCATION);
//   }
#pragma once

#include <string>

#include <boost/interprocess/exceptions.hpp>
#include <boost/system/error_code.hpp>
#include <boost/thread/exceptions.hpp>

namespace boost {
namespace interprocess {

// "interprocess", with a message for each of Boost.Interprocess's error kinds.
class interprocess_error_category : public boost::system::error_category
{
public:
   const char* name() const noexcept override;
   std::string message(int code) const override;
};

const boost::system::error_category& interprocess_category();

// The native error number in the system category for a system error; otherwise the
// exception's kind in the interprocess category.
boost::system::error_code error_code_from_exception(const interprocess_exception& e);

} // namespace interprocess

namespace thread_error {

// "thread", whose only message is "Thread resource error".
class thread_error_category : public boost::system::error_category
{
public:
   const char* name() const noexcept override;
   std::string message(int code) const override;
};

const boost::system::error_category& thread_category();

// Always value 1 in the thread category.
boost::system::error_code error_code_from_exception(const boost::thread_resource_error& e);

} // namespace thread_error
} // namespace boost
