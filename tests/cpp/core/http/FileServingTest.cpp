// FileServingTest.cpp: files served below a base URI, with redirects, index pages,
// conditional replies and refusals of every path that could reach outside the root;
// the URI after a prefix and the WebSocket upgrade test.
#include <core/http/FileServing.hpp>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/filesystem.hpp>

#include <gtest/gtest.h>

#include <core/http/Request.hpp>
#include <core/http/Response.hpp>
#include <core/http/Util.hpp>
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <ScopedEnvironment.hpp>
#include <ScratchFolder.hpp>

namespace velorin::core::http {
namespace {

const char kSecret[] = "SECRET outside the root";

class FileServingTest : public ::testing::Test
{
protected:
   FileServingTest()
   {
      // The served root is one folder down, with a secret next to it.
      write(folder_ / "secret.txt", kSecret);
      write(root() / "index.htm", "<p>index</p>");
      write(root() / "css" / "a.css", "p{}");
      write(root() / "a%20b.txt", "literal name");
      write(root() / "notes", "no extension");
      write(root() / "page.html", "<p>page</p>");
      // Would be a device on Windows, whatever its folder.
      write(root() / "nul.txt", "device");
      boost::filesystem::create_directories(root() / "dir");
   }

   boost::filesystem::path root() const { return folder_ / "site"; }

   static void write(const boost::filesystem::path& path, const std::string& bytes)
   {
      boost::filesystem::create_directories(path.parent_path());
      std::ofstream stream(path.string(), std::ios::binary);
      stream << bytes;
   }

   void serve(const std::string& uri, Response* response, const std::string& ifModifiedSince = std::string()) const
   {
      Request request;
      request.setUri(uri);
      request.setHeader("Host", "example.com");
      request.setHeader("Accept-Encoding", "gzip");
      if (!ifModifiedSince.empty())
         request.setHeader("If-Modified-Since", ifModifiedSince);
      util::handleFileRequest(root().string(), "/static/", request, response);
   }

   const testing::ScratchFolder folder_{"serving-%%%%-%%%%"};
};

TEST_F(FileServingTest, ServesFilesBelowTheBaseUri)
{
   const struct
   {
      const char* uri;
      int status;
      const char* contentType;
      const char* body;
   } cases[] = {
      {"/static/", 200, "text/html", "<p>index</p>"},
      {"/static/?x=1", 200, "text/html", "<p>index</p>"},
      {"/static/css/a.css?v=3", 200, "text/css", "p{}"},
      {"/static/a%20b.txt", 200, "text/plain", "literal name"},
      {"/static/notes", 200, "text/plain", "no extension"},
      {"/static/missing.txt", 404, "text/html", "&#x2F;static&#x2F;missing.txt not found"},
      {"/other/x", 404, "text/html", "&#x2F;other&#x2F;x not found"},
      {"/staticx", 404, "text/html", "&#x2F;staticx not found"},
   };
   for (const auto& c : cases)
   {
      Response response;
      serve(c.uri, &response);
      EXPECT_EQ(c.status, response.statusCode()) << c.uri;
      EXPECT_EQ(c.contentType, response.contentType()) << c.uri;
      EXPECT_EQ(c.body, response.body()) << c.uri;
      EXPECT_EQ(std::to_string(response.body().size()), response.headerValue("Content-Length")) << c.uri;
      EXPECT_FALSE(response.containsHeader("Content-Encoding")) << c.uri;
      EXPECT_EQ(c.status == 200, response.containsHeader("Last-Modified")) << c.uri;
      EXPECT_EQ(c.status == 200 ? "public, max-age=0, must-revalidate" : "",
                response.headerValue("Cache-Control"))
         << c.uri;
   }
}

TEST_F(FileServingTest, FolderWithoutItsSlashIsRedirectedToIt)
{
   for (const char* uri : {"/static", "/static?x=1"})
   {
      Response response;
      serve(uri, &response);
      EXPECT_EQ(301, response.statusCode()) << uri;
      EXPECT_EQ("http://example.com/static/", response.headerValue("Location")) << uri;
   }
}

TEST_F(FileServingTest, EveryPathOutsideTheRootIsNotFound)
{
   const std::string absoluteSecret = (folder_ / "secret.txt").generic_string();
   const std::string uris[] = {
      "/static/../secret.txt",
      "/static/css/../../secret.txt",
      "/static/..%2fsecret.txt",
      "/static/%2e%2e/secret.txt",
      "/static/a..b",
      "/static/..",
      "/static/.../secret.txt",
      "/static//" + absoluteSecret,
      "/static/" + absoluteSecret.substr(1),
      "/static/\\secret.txt",
      "/static/..\\secret.txt",
      "/static/css\\..\\..\\secret.txt",
      "/static/\\\\host\\share\\secret.txt",
      "//host/share/secret.txt",
      "/static/C:/Windows/win.ini",
      "/static/C:secret.txt",
      "/static/C:",
      "/static/index.htm:secret",
      "/static/index.htm::$DATA",
      std::string("/static/index.htm\0/../../secret.txt", 36),
      std::string("/static/\0", 9),
      "/static/~/secret.txt",
      "/static/nul.txt",
   };
   for (const std::string& uri : uris)
   {
      Response response;
      serve(uri, &response);
      EXPECT_EQ(404, response.statusCode()) << uri;
      EXPECT_EQ(std::string::npos, response.body().find("SECRET")) << uri;
      EXPECT_FALSE(response.containsHeader("Last-Modified")) << uri;
   }
}

TEST_F(FileServingTest, SafeChildPathRefusesWhatWindowsWouldReadAsAnotherPlace)
{
   const std::string rootText = root().string();
   const FilePath rootPath(rootText);
   const struct
   {
      std::string relative;
      bool refused;
   } cases[] = {
      {"css/a.css", false},
      {"./index.htm", false},
      {"a%20b.txt", false},
      {"", false},
      {"/etc/passwd", true},
      {"..", true},
      {"a..b", true},
      {"css/../index.htm", true},
      {"a\\b", true},
      {"\\\\host\\share", true},
      {"C:/Windows/win.ini", true},
      {"C:win.ini", true},
      {"file:stream", true},
      {std::string("a\0b", 3), true},
      {"CON", true},
      {"nul.txt", true},
      {"css/aux", true},
      {"Com1.log", true},
      {"lpt9/x.txt", true},
      {"LPT\xC2\xB9", true},
      {"CON .txt", true},
      {"conin$", true},
      {"console.txt", false},
      {"aux data.txt", false},
      {"com10", false},
      {"my-nul.txt", false},
      {"css/prn-list.css", false},
      {" ", true},
      {"index.htm ", true},
      {"index.htm.", true},
      {"css./a.css", true},
      {"css /a.css", true},
      {"a b.txt", false},
      {".hidden", false},
   };
   for (const auto& c : cases)
   {
      const FilePath child = util::safeChildPath(rootText, c.relative);
      EXPECT_EQ(c.refused, child.isEmpty()) << c.relative;
      if (!c.refused)
      {
         EXPECT_TRUE(child.isWithin(rootPath)) << c.relative;
         EXPECT_EQ(rootPath.completePath(c.relative), child) << c.relative;
      }
   }
}

// Links are made with POSIX calls; on Windows making them needs a privilege.
#ifndef _WIN32
TEST_F(FileServingTest, LinksThatLeadOutOfTheRootAreNotFound)
{
   namespace fs = boost::filesystem;
   write(folder_ / "outside" / "secret.txt", kSecret);
   fs::create_directory_symlink("../outside", root() / "link");
   fs::create_symlink(fs::absolute(folder_ / "outside" / "secret.txt"), root() / "s.txt");
   fs::create_symlink("../secret.txt", root() / "relative.txt");
   fs::create_directories(root() / "deep");
   fs::create_symlink("../../outside/secret.txt", root() / "deep" / "up.txt");
   fs::create_symlink("missing-target.txt", root() / "dangling.txt");
   fs::create_symlink("css/a.css", root() / "inside.css");
   fs::create_directory_symlink("css", root() / "styles");
   fs::create_directory_symlink("../site/css", root() / "around");

   const struct
   {
      const char* uri;
      int status;
   } cases[] = {
      {"/static/link/secret.txt", 404},
      {"/static/link/", 404},
      {"/static/s.txt", 404},
      {"/static/relative.txt", 404},
      {"/static/deep/up.txt", 404},
      {"/static/dangling.txt", 404},
      {"/static/inside.css", 200},
      {"/static/styles/a.css", 200},
      {"/static/around/a.css", 200},
   };
   for (const auto& c : cases)
   {
      Response response;
      serve(c.uri, &response);
      EXPECT_EQ(c.status, response.statusCode()) << c.uri;
      EXPECT_EQ(std::string::npos, response.body().find("SECRET")) << c.uri;
      if (c.status == 200)
      {
         EXPECT_EQ("p{}", response.body()) << c.uri;
      }
   }

   // A child not made yet is judged by the part of it that exists.
   EXPECT_TRUE(util::safeChildPath(root().string(), "link/new.txt").isEmpty());
   EXPECT_TRUE(util::safeChildPath(root().string(), "link/a/b/new.txt").isEmpty());
   EXPECT_FALSE(util::safeChildPath(root().string(), "styles/new.txt").isEmpty());
   EXPECT_FALSE(util::safeChildPath(root().string(), "dir/a/b/new.txt").isEmpty());
}

// The root itself may be reached through a link: its children are served.
TEST_F(FileServingTest, ARootReachedThroughALinkServesItsFiles)
{
   const boost::filesystem::path linkedRoot = folder_ / "linked-site";
   boost::filesystem::create_directory_symlink("site", linkedRoot);
   Request request;
   request.setUri("/static/css/a.css");
   Response response;
   util::handleFileRequest(linkedRoot.string(), "/static/", request, &response);
   EXPECT_EQ(200, response.statusCode());
   EXPECT_EQ("p{}", response.body());
}
#endif

TEST_F(FileServingTest, MatchingIfModifiedSinceGetsNotModified)
{
   Response first;
   serve("/static/css/a.css", &first);
   const std::string lastModified = first.headerValue("Last-Modified");
   ASSERT_FALSE(lastModified.empty());
   const boost::posix_time::ptime time = util::parseHttpDate(lastModified);
   ASSERT_FALSE(time.is_not_a_date_time());

   Response second;
   ASSERT_FALSE(second.setBody("kept"));
   serve("/static/css/a.css", &second, lastModified);
   EXPECT_EQ(304, second.statusCode());
   EXPECT_FALSE(second.containsHeader("Content-Type"));
   EXPECT_EQ("kept", second.body());
   EXPECT_EQ(lastModified, second.headerValue("Last-Modified"));
   EXPECT_EQ("public, max-age=0, must-revalidate", second.headerValue("Cache-Control"));
   EXPECT_TRUE(second.containsHeader("Expires"));

   const std::string others[] = {
      util::formatHttpDate(time + boost::posix_time::seconds(1)),
      util::formatHttpDate(time - boost::posix_time::seconds(1)),
      "yesterday",
      "Mon, 32 Foo 2019 99:99:99 GMT",
      "0",
   };
   for (const std::string& ifModifiedSince : others)
   {
      Response response;
      serve("/static/css/a.css", &response, ifModifiedSince);
      EXPECT_EQ(200, response.statusCode()) << ifModifiedSince;
      EXPECT_EQ("p{}", response.body()) << ifModifiedSince;
      EXPECT_EQ("text/css", response.contentType()) << ifModifiedSince;
   }
}

// Such a time cannot be written as an HTTP date: the file goes out whole, without
// "Last-Modified", whatever "If-Modified-Since" says. ext4 holds no year past 2446, so
// the file lies in memory where the system has such a file system.
TEST_F(FileServingTest, FilesDatedOutsideTheWritableYearsAreServedWithoutLastModified)
{
   std::unique_ptr<testing::ScratchFolder> memoryFolder;
#ifndef _WIN32
   if (boost::filesystem::is_directory("/dev/shm"))
   {
      testing::ScopedEnvironment environment;
      ::setenv("TMPDIR", "/dev/shm", 1);
      memoryFolder = std::make_unique<testing::ScratchFolder>("serving-%%%%-%%%%");
   }
#endif
   const boost::filesystem::path servedRoot = memoryFolder ? *memoryFolder : root();
   write(servedRoot / "a.css", "p{}");
   const FilePath file((servedRoot / "a.css").string());

   int held = 0;
   for (const std::int64_t time : {std::int64_t{253402300800},    // 10000-01-01
                                   std::int64_t{910692730085},    // 30828-09-14, the latest NTFS time
                                   std::int64_t{-17987443201}})   // 1399-12-31 23:59:59
   {
      file.setLastWriteTime(time);
      if (file.getLastWriteTime() != time)
         continue; // the file system cannot hold it
      ++held;
      for (const char* ifModifiedSince : {"", "Fri, 31 Dec 9999 23:59:59 GMT", "Wed, 01 Jan 1400 00:00:00 GMT"})
      {
         Request request;
         request.setUri("/static/a.css");
         if (*ifModifiedSince != '\0')
            request.setHeader("If-Modified-Since", ifModifiedSince);
         Response response;
         EXPECT_NO_THROW(util::handleFileRequest(servedRoot.string(), "/static/", request, &response)) << time;
         EXPECT_EQ(200, response.statusCode()) << time;
         EXPECT_EQ("p{}", response.body()) << time;
         EXPECT_EQ("text/css", response.contentType()) << time;
         EXPECT_FALSE(response.containsHeader("Last-Modified")) << time;
      }
   }
   if (held == 0)
      GTEST_SKIP() << "no file system here holds such times";
}

TEST_F(FileServingTest, UnreadableFileGetsAnErrorPage)
{
   std::vector<const char*> uris = {"/static/dir"};
#ifndef _WIN32
   // The refused open is armed in the Linux stand-in.
   uris.push_back("/static/index.htm");
#endif
   for (const char* uri : uris)
   {
      if (std::string(uri) == "/static/index.htm")
         platform::failNext("CreateFileW", ERROR_ACCESS_DENIED);
      Response response;
      serve(uri, &response);
      EXPECT_EQ(500, response.statusCode()) << uri;
      EXPECT_EQ("text/html", response.contentType()) << uri;
      EXPECT_FALSE(response.body().empty()) << uri;
   }
}

TEST_F(FileServingTest, NotFoundHandlerAnswersMissingFilesAndRefusedPaths)
{
   for (const char* uri : {"/static/missing.txt", "/static/../secret.txt", "/elsewhere"})
   {
      Request request;
      request.setUri(uri);
      Response response;
      response.setNotFoundHandler([](const Request& seen, Response* reply) {
         reply->setStatusCode(410);
         reply->setBodyWithoutEncoding("handled " + seen.uri());
      });
      util::handleFileRequest(root().string(), "/static/", request, &response);
      EXPECT_EQ(410, response.statusCode()) << uri;
      EXPECT_EQ(std::string("handled ") + uri, response.body()) << uri;
   }
}

TEST_F(FileServingTest, QtWebKitClientsGetHtmlPaddedToAKilobyte)
{
   const struct
   {
      const char* uri;
      const char* userAgent;
      std::size_t size;
   } cases[] = {
      {"/static/page.html", "Mozilla/5.0 AppleWebKit/538.1 (KHTML, like Gecko) Qt/5.12", 1024},
      {"/static/page.html", "Mozilla/5.0 AppleWebKit/537.36 Chrome/120.0", 11},
      {"/static/css/a.css", "Mozilla/5.0 AppleWebKit/538.1 (KHTML, like Gecko) Qt/5.12", 3},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setUri(c.uri);
      request.setHeader("User-Agent", c.userAgent);
      Response response;
      util::handleFileRequest(root().string(), "/static/", request, &response);
      EXPECT_EQ(c.size, response.body().size()) << c.uri << " " << c.userAgent;
   }
}

TEST(FileServingRequestTest, PathAfterPrefixIsDecodedWithoutTheQuery)
{
   const struct
   {
      const char* uri;
      const char* prefix;
      const char* path;
   } cases[] = {
      {"/api/a%2Fb?x=1", "/api/", "a/b"},
      {"/api/a%2Fb?x=1", "/other/", "/api/a/b"},
      {"/api/a+b", "", "/api/a b"},
      {"/api/", "/api/", ""},
      {"/api/%zz?q", "/api/", "%zz"},
      {"/ap", "/api/", "/ap"},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setUri(c.uri);
      EXPECT_EQ(c.path, util::pathAfterPrefix(request, c.prefix)) << c.uri << " " << c.prefix;
   }
}

TEST(FileServingRequestTest, WebSocketUpgradeIsTheWordUpgradeInConnection)
{
   const struct
   {
      const char* connection; // null: no header
      bool upgrade;
   } cases[] = {
      {"keep-alive, Upgrade", true},
      {"Upgrade", true},
      {"upgrade", true},
      {"UPGRADE,close", true},
      {"Upgraded", false},
      {"NoUpgrade", false},
      {"keep-alive", false},
      {"", false},
      {nullptr, false},
   };
   for (const auto& c : cases)
   {
      Request request;
      if (c.connection)
         request.setHeader("Connection", c.connection);
      EXPECT_EQ(c.upgrade, util::isWebSocketUpgrade(request)) << (c.connection ? c.connection : "(none)");
   }
}

} // namespace
} // namespace velorin::core::http
