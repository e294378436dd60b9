// main.cpp: logs an error through the installed library; exits 0 when the line
// arrived with the expected text.
#include <iostream>
#include <memory>

#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/StderrLogDestination.hpp>

#ifndef BOOST_ENABLE_ASSERT_HANDLER
#error "the package must pass on BOOST_ENABLE_ASSERT_HANDLER"
#endif

int main()
{
   using namespace velorin::core;
   log::addLogDestination(std::make_shared<log::StderrLogDestination>(log::LogLevel::INFO));
   log::setProgramId("consumer");
   const Error error = systemError(2, ERROR_LOCATION);
   log::logError(error);
   return error.getMessage() == "The system cannot find the file specified" ? 0 : 1;
}
