// Error.cpp: error values, their text and their comparison.
#include <shared_core/Error.hpp>

#include <ostream>

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

namespace velorin::core {
namespace {

constexpr const char* kExpectedProperty = "expected";
constexpr const char* kExpectedValue = "yes";

} // namespace

struct Error::Impl
{
   int code = 0;
   std::string name;
   std::string message;
   Properties properties;
   Error cause;
   ErrorLocation location;
};

ErrorLock::~ErrorLock() = default;

Error::Error(const boost::system::error_code& ec, const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(Impl{ec.value(), ec.category().name(), ec.message(), {}, {}, location}))
{
}

Error::Error(const boost::system::error_code& ec, const Error& cause, const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(
        Impl{ec.value(), ec.category().name(), ec.message(), {}, cause, location}))
{
}

Error::Error(const boost::system::error_code& ec, std::string message, const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(
        Impl{ec.value(), ec.category().name(), std::move(message), {}, {}, location}))
{
}

Error::Error(const boost::system::error_code& ec,
             std::string message,
             const Error& cause,
             const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(
        Impl{ec.value(), ec.category().name(), std::move(message), {}, cause, location}))
{
}

Error::Error(std::string name, int code, const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(Impl{code, std::move(name), {}, {}, {}, location}))
{
}

Error::Error(std::string name, int code, const Error& cause, const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(Impl{code, std::move(name), {}, {}, cause, location}))
{
}

Error::Error(std::string name, int code, std::string message, const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(Impl{code, std::move(name), std::move(message), {}, {}, location}))
{
}

Error::Error(std::string name,
             int code,
             std::string message,
             const Error& cause,
             const ErrorLocation& location)
   : impl_(std::make_shared<Impl>(
        Impl{code, std::move(name), std::move(message), {}, cause, location}))
{
}

void Error::addOrUpdateProperty(const std::string& name, const std::string& value)
{
   copyOnWrite();
   for (auto& property : impl_->properties)
   {
      if (property.first == name)
      {
         property.second = value;
         return;
      }
   }
   impl_->properties.emplace_back(name, value);
}

void Error::addOrUpdateProperty(const std::string& name, const char* value)
{
   addOrUpdateProperty(name, std::string(value));
}

void Error::addOrUpdateProperty(const std::string& name, int value)
{
   addOrUpdateProperty(name, std::to_string(value));
}

void Error::addProperty(const std::string& name, const std::string& value)
{
   copyOnWrite();
   impl_->properties.emplace_back(name, value);
}

void Error::addProperty(const std::string& name, const char* value)
{
   addProperty(name, std::string(value));
}

void Error::addProperty(const std::string& name, int value)
{
   // std::to_string writes plain decimal digits whatever the locale.
   addProperty(name, std::to_string(value));
}

std::string Error::asString() const
{
   std::string text = getSummary();
   const Properties& properties = getProperties();
   if (!properties.empty())
   {
      text += " [";
      for (std::size_t i = 0; i < properties.size(); ++i)
      {
         if (i > 0)
            text += ", ";
         text += properties[i].first + ": " + properties[i].second;
      }
      text += "]";
   }
   text = log::cleanDelimiters(text);
   text += "; OCCURRED AT " + log::cleanDelimiters(getLocation().asString());

   const Error& cause = getCause();
   if (cause.isError())
      text += "; CAUSED BY: " + cause.asString();
   return text;
}

void Error::copyOnWrite()
{
   if (!impl_)
      impl_ = std::make_shared<Impl>();
   else if (impl_.use_count() > 1)
      impl_ = std::make_shared<Impl>(*impl_);
}

const Error& Error::getCause() const
{
   return impl().cause;
}

int Error::getCode() const
{
   return impl().code;
}

const ErrorLocation& Error::getLocation() const
{
   return impl().location;
}

const std::string& Error::getMessage() const
{
   return impl().message;
}

const std::string& Error::getName() const
{
   return impl().name;
}

const Error::Properties& Error::getProperties() const
{
   return impl().properties;
}

std::string Error::getProperty(const std::string& name) const
{
   for (const auto& property : getProperties())
   {
      if (property.first == name)
         return property.second;
   }
   return std::string();
}

std::string Error::getSummary() const
{
   return getName() + " error " + std::to_string(getCode()) + " (" + getMessage() + ")";
}

Error::Impl& Error::impl() const
{
   if (!impl_)
      impl_ = std::make_shared<Impl>();
   return *impl_;
}

bool Error::isError() const
{
   return impl_ && impl_->code != 0;
}

bool Error::isExpected() const
{
   return getProperty(kExpectedProperty) == kExpectedValue;
}

bool Error::operator==(const Error& other) const
{
   if (isError())
      return other.isError() && impl_->code == other.impl_->code && impl_->name == other.impl_->name;
   return !other.isError();
}

bool Error::operator==(const boost::system::error_code& ec) const
{
   if (isError())
      return impl_->code == ec.value() && impl_->name == ec.category().name();
   return ec.value() == 0;
}

void Error::setExpected()
{
   addProperty(kExpectedProperty, kExpectedValue);
}

std::ostream& operator<<(std::ostream& os, const Error& error)
{
   return os << error.asString();
}

Error systemError(int code, const ErrorLocation& location)
{
   return Error(boost::system::error_code(code, platform::systemCategory()), location);
}

Error systemError(int code, const Error& cause, const ErrorLocation& location)
{
   return Error(boost::system::error_code(code, platform::systemCategory()), cause, location);
}

Error systemError(int code, const std::string& description, const ErrorLocation& location)
{
   Error error = systemError(code, location);
   error.addProperty("description", description);
   return error;
}

Error unknownError(const std::string& message, const ErrorLocation& location)
{
   return Error("UnknownError", 1, message, location);
}

Error unknownError(const std::string& message, const Error& cause, const ErrorLocation& location)
{
   return Error("UnknownError", 1, message, cause, location);
}

} // namespace velorin::core
