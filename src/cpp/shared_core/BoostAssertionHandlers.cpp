// BoostAssertionHandlers.cpp: a failed Boost assertion becomes a warning in the log,
// and the program goes on. Boost calls these because the project builds with
// BOOST_ENABLE_ASSERT_HANDLER.
#include <boost/assert.hpp>

#include <shared_core/Logger.hpp>

namespace boost {

void assertion_failed(char const* expr, char const* function, char const* file, long line)
{
   velorin::core::log::logWarningMessage(std::string("ASSERTION FAILED: ") + expr,
                                         velorin::core::ErrorLocation(function, file, line));
}

void assertion_failed_msg(char const* expr, char const* msg, char const* function, char const* file, long line)
{
   velorin::core::log::logWarningMessage(std::string("ASSERTION FAILED: ") + expr + " - " + msg,
                                         velorin::core::ErrorLocation(function, file, line));
}

} // namespace boost
