// ErrorLocation.cpp: the function, file and line of an error or log site.
#include <shared_core/ErrorLocation.hpp>

#include <ostream>

namespace velorin::core {

struct ErrorLocation::Impl
{
   std::string function;
   std::string file;
   long line = 0;
};

ErrorLocation::ErrorLocation() : impl_(std::make_unique<Impl>())
{
}

ErrorLocation::ErrorLocation(const char* function, const char* file, long line)
   : impl_(std::make_unique<Impl>(Impl{function, file, line}))
{
}

ErrorLocation::ErrorLocation(const ErrorLocation& other) : impl_(std::make_unique<Impl>(*other.impl_))
{
}

ErrorLocation::ErrorLocation(ErrorLocation&& other) noexcept : impl_(std::move(other.impl_))
{
   // A fresh implementation keeps the moved-from location usable. Should that
   // allocation fail, the program ends, as a noexcept move promises.
   other.impl_ = std::make_unique<Impl>();
}

ErrorLocation::~ErrorLocation() = default;

std::string ErrorLocation::asString() const
{
   return impl_->function + " " + impl_->file + ":" + std::to_string(impl_->line);
}

const std::string& ErrorLocation::getFile() const
{
   return impl_->file;
}

const std::string& ErrorLocation::getFunction() const
{
   return impl_->function;
}

long ErrorLocation::getLine() const
{
   return impl_->line;
}

bool ErrorLocation::hasLocation() const
{
   return impl_->line > 0;
}

ErrorLocation& ErrorLocation::operator=(const ErrorLocation& other)
{
   if (this != &other)
      *impl_ = *other.impl_;
   return *this;
}

bool ErrorLocation::operator==(const ErrorLocation& other) const
{
   return impl_->function == other.impl_->function && impl_->file == other.impl_->file &&
          impl_->line == other.impl_->line;
}

std::ostream& operator<<(std::ostream& os, const ErrorLocation& location)
{
   return os << location.asString();
}

} // namespace velorin::core
