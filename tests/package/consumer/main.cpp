// main.cpp: a host program that uses the installed libraries, written as host
// programs write it (inside the velorin namespace); exits 0 when every call gave the
// expected answer.
#include <memory>

#include <core/Checksum.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/StderrLogDestination.hpp>
#include <shared_core/json/Json.hpp>

#ifndef BOOST_ENABLE_ASSERT_HANDLER
#error "the package must pass on BOOST_ENABLE_ASSERT_HANDLER"
#endif

#if __has_include(<platform/TestHooks.hpp>)
#error "the tests' hook library must stay out of the installed package"
#endif

namespace velorin {
namespace {

core::Error openSettings(const core::FilePath& path)
{
   if (path.exists())
      return core::Success();
   core::Error error = core::systemError(2, ERROR_LOCATION);
   error.addProperty("path", path.getAbsolutePath());
   return error;
}

bool run(const char* programPath)
{
   core::log::addLogDestination(
      std::make_shared<core::log::StderrLogDestination>(core::log::LogLevel::INFO));
   core::log::setProgramId("consumer");

   const core::FilePath program(programPath);
   const core::Error missing = openSettings(program.getParent().completeChildPath("settings.json"));
   core::log::logError(missing);

   core::json::Value value;
   const bool parsed = !value.parse(R"({"check": "123456789"})");
#ifdef _WIN32
   // The system's own text, worded by each Windows version (and Wine) its own way.
   const bool described = !missing.getMessage().empty();
#else
   const bool described = missing.getMessage() == "The system cannot find the file specified";
#endif
   return program.isRegularFile() && !openSettings(program) && described && parsed &&
          core::checksum::crc32Hex("123456789") == "CBF43926";
}

} // namespace
} // namespace velorin

int main(int, char* argv[])
{
   // The location macro names the library's types in full, so it works outside too.
   const velorin::core::ErrorLocation location = ERROR_LOCATION;
   return velorin::run(argv[0]) && location.hasLocation() ? 0 : 1;
}
