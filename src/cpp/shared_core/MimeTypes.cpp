// MimeTypes.cpp: the MIME types of the file extensions the library labels.
//
// Served files get their content type from this table. No two extensions are equal
// without regard to case, so the order of the rows never changes a result.
#include "MimeTypes.hpp"

#include <locale>

namespace velorin::core::mime {
namespace {

struct MimeType
{
   const char* extension;
   const char* contentType;
};

const MimeType kMimeTypes[] = {
   {"htm", "text/html"},
   {"html", "text/html"},
   {"css", "text/css"},
   {"sass", "text/sass"},
   {"scss", "text/scss"},
   {"gif", "image/gif"},
   {"jpg", "image/jpeg"},
   {"jpeg", "image/jpeg"},
   {"jpe", "image/jpeg"},
   {"png", "image/png"},
   {"js", "text/javascript"},
   {"pdf", "application/pdf"},
   {"svg", "image/svg+xml"},
   {"swf", "application/x-shockwave-flash"},
   {"ttf", "application/x-font-ttf"},
   {"woff", "application/font-woff"},
   {"md", "text/x-markdown"},
   {"mdtxt", "text/x-markdown"},
   {"markdown", "text/x-markdown"},
   {"yaml", "text/x-yaml"},
   {"yml", "text/x-yaml"},
   {"f", "text/x-fortran"},
   {"py", "text/x-python"},
   {"sh", "text/x-shell"},
   {"sql", "text/x-sql"},
   {"stan", "text/x-stan"},
   {"clj", "text/x-clojure"},
   {"xml", "text/xml"},
   {"csv", "text/csv"},
   {"ico", "image/x-icon"},
   {"zip", "application/zip"},
   {"bz", "application/x-bzip"},
   {"bz2", "application/x-bzip2"},
   {"gz", "application/x-gzip"},
   {"tar", "application/x-tar"},
   {"json", "application/json"},
   {"vltheme", "text/css"},
   {"shtml", "text/html"},
   {"tsv", "text/tab-separated-values"},
   {"tab", "text/tab-separated-values"},
   {"dcf", "text/debian-control-file"},
   {"ini", "text/plain"},
   {"txt", "text/plain"},
   {"mml", "text/mathml"},
   {"log", "text/plain"},
   {"out", "text/plain"},
   {"csl", "text/x-csl"},
   {"R", "text/x-r-source"},
   {"S", "text/x-r-source"},
   {"q", "text/x-r-source"},
   {"Rd", "text/x-r-doc"},
   {"Rnw", "text/x-r-sweave"},
   {"Rmd", "text/x-r-markdown"},
   {"Rhtml", "text/x-r-html"},
   {"Rout", "text/plain"},
   {"po", "text/plain"},
   {"pot", "text/plain"},
   {"rst", "text/plain"},
   {"gitignore", "text/plain"},
   {"Rbuildignore", "text/plain"},
   {"Rprofile", "text/x-r-source"},
   {"Renviron", "text/x-shell"},
   {"tif", "image/tiff"},
   {"tiff", "image/tiff"},
   {"bmp", "image/bmp"},
   {"ps", "application/postscript"},
   {"eps", "application/postscript"},
   {"dvi", "application/x-dvi"},
   {"atom", "application/atom+xml"},
   {"rss", "application/rss+xml"},
   {"doc", "application/msword"},
   {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
   {"odt", "application/vnd.oasis.opendocument.text"},
   {"rtf", "application/rtf"},
   {"xls", "application/vnd.ms-excel"},
   {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
   {"ods", "application/x-vnd.oasis.opendocument.spreadsheet"},
   {"ppt", "application/vnd.ms-powerpoint"},
   {"pps", "application/vnd.ms-powerpoint"},
   {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
   {"sit", "application/x-stuffit"},
   {"sxw", "application/vnd.sun.xml.writer"},
   {"iso", "application/octet-stream"},
   {"dmg", "application/octet-stream"},
   {"exe", "application/octet-stream"},
   {"dll", "application/octet-stream"},
   {"deb", "application/octet-stream"},
   {"otf", "application/octet-stream"},
   {"xpi", "application/x-xpinstall"},
   {"mp2", "audio/mpeg"},
   {"mpg", "video/mpeg"},
   {"mpeg", "video/mpeg"},
   {"flv", "video/x-flv"},
   {"mp4", "video/mp4"},
   {"webm", "video/webm"},
   {"ogv", "video/ogg"},
   {"mp3", "audio/mp3"},
   {"wav", "audio/wav"},
   {"oga", "audio/ogg"},
   {"ogg", "audio/ogg"},
   {nullptr, nullptr}};

bool equalIgnoringCase(const std::string& text, const char* candidate, const std::ctype<char>& ctype)
{
   std::size_t i = 0;
   for (; i < text.size(); ++i)
   {
      if (candidate[i] == '\0' || ctype.toupper(text[i]) != ctype.toupper(candidate[i]))
         return false;
   }
   return candidate[i] == '\0';
}

} // namespace

const char* contentTypeOf(const std::string& extension)
{
   const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
   for (const MimeType* row = kMimeTypes; row->extension != nullptr; ++row)
   {
      if (equalIgnoringCase(extension, row->extension, ctype))
         return row->contentType;
   }
   return nullptr;
}

} // namespace velorin::core::mime
