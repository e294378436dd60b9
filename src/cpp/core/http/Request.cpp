// Request.cpp: the request's start line, header tests and lazily parsed contents.
#include <core/http/Request.hpp>

#include <algorithm>
#include <iostream>
#include <utility>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/thread/exceptions.hpp>
#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

#include <core/http/Util.hpp>
#include <shared_core/BoostErrorCategories.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::http {

Request::Request() : cookiesParsed_(false), formParsed_(false), queryParsed_(false) {}

Request::~Request() = default;

std::string Request::absoluteUri() const
{
   std::string scheme = headerValue("X-Forwarded-Proto");
   if (scheme.empty())
      scheme = "http";
   return scheme + "://" + headerValue("Host") + uri_;
}

bool Request::acceptsContentType(const std::string& type) const
{
   return headerValue("Accept").find(type) != std::string::npos;
}

bool Request::acceptsEncoding(const std::string& encoding) const
{
   const std::string value = headerValue("Accept-Encoding");
   std::size_t position = 0;
   while (position < value.size())
   {
      const std::size_t tokenEnd = std::min(value.find_first_of(", ", position), value.size());
      if (tokenEnd > position && value.compare(position, tokenEnd - position, encoding) == 0)
         return true;
      position = tokenEnd + 1;
   }
   return false;
}

void Request::addCookie(const std::string& name, const std::string& value)
{
   parseCookies();
   cookies_.emplace_back(name, value);

   // Rebuilding the header from the parsed pairs would lose what parsing cuts off.
   const std::string cookie = name + "=" + value;
   const Headers::const_iterator header = findHeader(headers(), "Cookie");
   if (header == headers().end() || header->value.empty())
      setHeader("Cookie", cookie);
   else
      setHeader(header->name, header->value + "; " + cookie);
}

void Request::appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers)
{
   buffers->push_back(boost::asio::buffer(method_));
   appendSpaceBuffer(buffers);
   buffers->push_back(boost::asio::buffer(uri_));
   appendSpaceBuffer(buffers);
   appendHttpVersionBuffer(buffers);
}

std::string Request::cookieValue(const std::string& name) const
{
   parseCookies();
   return util::fieldValue(cookies_, name);
}

void Request::debugPrintUri(const std::string& caption) const
{
   try
   {
      static boost::mutex& printMutex = *new boost::mutex();
      boost::lock_guard<boost::mutex> lock(printMutex);
      std::cerr << caption << ": " << uri_ << std::endl;
   }
   catch (const boost::thread_resource_error& e)
   {
      log::logError(Error(boost::thread_error::error_code_from_exception(e), ERROR_LOCATION), ERROR_LOCATION);
   }
   catch (const std::exception& e)
   {
      log::logErrorMessage(std::string("Unexpected exception: ") + e.what());
   }
   catch (...)
   {
      log::logErrorMessage("Unknown exception");
   }
}

const Fields& Request::formFields() const
{
   parseForm();
   return formFields_;
}

std::string Request::formFieldValue(const std::string& name) const
{
   return util::fieldValue(formFields(), name);
}

std::string Request::headerFieldValue(const std::string& headerName) const
{
   Fields fields;
   util::parseFields(headerValue(headerName), ";, ", "= ", &fields, FieldDecodeNone);
   return fields.empty() ? std::string() : fields.front().second;
}

boost::posix_time::ptime Request::ifModifiedSince() const
{
   const std::string value = headerValue("If-Modified-Since");
   if (value.empty())
      return boost::posix_time::ptime(boost::posix_time::not_a_date_time);
   return util::parseHttpDate(value);
}

std::ostream& operator<<(std::ostream& os, const Request& request)
{
   os << request.method() << " " << request.uri() << " HTTP/" << request.httpVersionMajor() << "."
      << request.httpVersionMinor() << std::endl;
   return os << static_cast<const Message&>(request);
}

void Request::parseCookies() const
{
   if (cookiesParsed_)
      return;
   const HeaderNamePredicate isCookie("cookie");
   for (const Header& header : headers())
   {
      if (isCookie(header))
         util::parseCookieHeader(header.value, &cookies_);
   }
   cookiesParsed_ = true;
}

void Request::parseForm() const
{
   if (formParsed_)
      return;
   const std::string type = contentType();
   if (type == "application/x-www-form-urlencoded")
      util::parseForm(body(), &formFields_);
   else if (boost::algorithm::starts_with(type, "multipart/form-data"))
      util::parseMultipartForm(type, body(), &formFields_, &files_);
   formParsed_ = true;
}

std::string Request::path() const
{
   return uri_.substr(0, uri_.find('?'));
}

const Fields& Request::queryParams() const
{
   if (!queryParsed_)
   {
      util::parseQueryString(queryString(), &queryParams_);
      queryParsed_ = true;
   }
   return queryParams_;
}

std::string Request::queryParamValue(const std::string& name) const
{
   return util::fieldValue(queryParams(), name);
}

std::string Request::queryString() const
{
   const std::size_t question = uri_.find('?');
   return question == std::string::npos ? std::string() : uri_.substr(question + 1);
}

void Request::resetMembers()
{
   method_.clear();
   uri_.clear();
   cookiesParsed_ = false;
   cookies_.clear();
   formParsed_ = false;
   formFields_.clear();
   files_.clear();
   queryParsed_ = false;
   queryParams_.clear();
}

void Request::setBody(std::string body)
{
   body_ = std::move(body);
   setContentLength(body_.size());
}

void Request::setMethod(const std::string& method)
{
   method_ = lineText(method);
}

void Request::setUri(const std::string& uri)
{
   uri_ = lineText(uri);
}

const File& Request::uploadedFile(const std::string& name) const
{
   parseForm();
   const Files::const_iterator file = files_.find(name);
   return file == files_.end() ? emptyFile_ : file->second;
}

std::string Request::userAgent() const
{
   return headerValue("User-Agent");
}

} // namespace velorin::core::http
