// main.cpp: uses the installed libraries; exits 0 when every call gave the
// expected answer.
#include <iostream>
#include <memory>

#include <core/Checksum.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/StderrLogDestination.hpp>
#include <shared_core/json/Json.hpp>

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
   json::Value value;
   const bool parsed = !value.parse(R"({"check": "123456789"})");
   const bool checksummed = checksum::crc32Hex("123456789") == "CBF43926";
   return parsed && checksummed && error.getMessage() == "The system cannot find the file specified" ? 0 : 1;
}
