// FilePathBench.cpp: lexical path operations on 100,000 typical paths, FilePath beside
// boost::filesystem::path doing the same work on the same strings.
//
// Listing a folder of 10,000 files compares getChildren with collecting the entries of
// a directory_iterator.
//
// The paths use '/' and start with a network root (//server/share), the one form that
// is absolute under both Windows and POSIX rules, so that completion needs no working
// directory on either side. The "per_op" counter is the time of one operation.
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <shared_core/FilePath.hpp>

namespace {

using velorin::core::FilePath;

constexpr std::size_t kPathCount = 100000;

const std::vector<std::string>& typicalPaths()
{
   static const std::vector<std::string> paths = [] {
      const char* folders[] = {"Users", "me", "projects", "velorin", "src", "cpp", "shared_core", "include",
                               "build", "Release", "AppData", "Local", "logs", "docs", "tests", "data"};
      const char* names[] = {"FilePath", "main", "report", "index", "settings", "notes", "archive.tar", "README"};
      const char* extensions[] = {".cpp", ".hpp", ".txt", ".log", ".json", ".gz", "", ".conf"};
      std::mt19937 random(20261210);
      std::vector<std::string> result;
      result.reserve(kPathCount);
      for (std::size_t i = 0; i < kPathCount; ++i)
      {
         std::string path = "//server/share";
         const int depth = 2 + static_cast<int>(random() % 6);
         for (int level = 0; level < depth; ++level)
            path += std::string("/") + folders[random() % std::size(folders)];
         path += std::string("/") + names[random() % std::size(names)] + std::to_string(random() % 1000) +
                 extensions[random() % std::size(extensions)];
         result.push_back(path);
      }
      return result;
   }();
   return paths;
}

const std::vector<FilePath>& filePaths()
{
   static const std::vector<FilePath> paths = [] {
      std::vector<FilePath> result;
      for (const std::string& text : typicalPaths())
         result.emplace_back(text);
      return result;
   }();
   return paths;
}

const std::vector<boost::filesystem::path>& boostPaths()
{
   static const std::vector<boost::filesystem::path> paths(typicalPaths().begin(), typicalPaths().end());
   return paths;
}

void setPerOperation(benchmark::State& state)
{
   state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPathCount));
   state.counters["per_op"] = benchmark::Counter(static_cast<double>(kPathCount),
                                                 benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

// The containment test of FilePath::isWithin, written with Boost's own parts.
bool boostIsWithin(const boost::filesystem::path& path, const boost::filesystem::path& scope)
{
   if (path == scope)
      return true;
   const boost::filesystem::path normalPath = path.lexically_normal();
   const boost::filesystem::path normalScope = scope.lexically_normal();
   if (normalScope.native().size() > normalPath.native().size())
      return false;
   auto pathElement = normalPath.begin();
   for (auto scopeElement = normalScope.begin(); scopeElement != normalScope.end(); ++scopeElement, ++pathElement)
   {
      if (scopeElement->native() == ".")
         return true;
      if (pathElement == normalPath.end() || *pathElement != *scopeElement)
         return false;
   }
   return true;
}

void FilePath_Construct(benchmark::State& state)
{
   const auto& texts = typicalPaths();
   for (auto _ : state)
   {
      for (const std::string& text : texts)
         benchmark::DoNotOptimize(FilePath(text));
   }
   setPerOperation(state);
}

void Boost_Construct(benchmark::State& state)
{
   const auto& texts = typicalPaths();
   for (auto _ : state)
   {
      for (const std::string& text : texts)
         benchmark::DoNotOptimize(boost::filesystem::path(text));
   }
   setPerOperation(state);
}

void FilePath_GenericForm(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const FilePath& path : filePaths())
         benchmark::DoNotOptimize(path.getAbsolutePath());
   }
   setPerOperation(state);
}

void Boost_GenericForm(benchmark::State& state)
{
   for (auto _ : state)
   {
      // On POSIX generic_string() hands out the stored text itself; copy it, as
      // FilePath hands out a new string.
      for (const auto& path : boostPaths())
         benchmark::DoNotOptimize(std::string(path.generic_string()));
   }
   setPerOperation(state);
}

void FilePath_Parent(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const FilePath& path : filePaths())
         benchmark::DoNotOptimize(path.getParent());
   }
   setPerOperation(state);
}

void Boost_Parent(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const auto& path : boostPaths())
         benchmark::DoNotOptimize(path.parent_path());
   }
   setPerOperation(state);
}

void FilePath_Filename(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const FilePath& path : filePaths())
         benchmark::DoNotOptimize(path.getFilename());
   }
   setPerOperation(state);
}

void Boost_Filename(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const auto& path : boostPaths())
         benchmark::DoNotOptimize(path.filename().string());
   }
   setPerOperation(state);
}

void FilePath_Extension(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const FilePath& path : filePaths())
         benchmark::DoNotOptimize(path.getExtension());
   }
   setPerOperation(state);
}

void Boost_Extension(benchmark::State& state)
{
   for (auto _ : state)
   {
      for (const auto& path : boostPaths())
         benchmark::DoNotOptimize(path.extension().string());
   }
   setPerOperation(state);
}

void FilePath_Complete(benchmark::State& state)
{
   const FilePath base("//server/share/work");
   for (auto _ : state)
   {
      for (const std::string& text : typicalPaths())
         benchmark::DoNotOptimize(base.completePath(text.substr(15)));
   }
   setPerOperation(state);
}

void Boost_Complete(benchmark::State& state)
{
   const boost::filesystem::path base("//server/share/work");
   for (auto _ : state)
   {
      for (const std::string& text : typicalPaths())
         benchmark::DoNotOptimize(boost::filesystem::absolute(boost::filesystem::path(text.substr(15)), base));
   }
   setPerOperation(state);
}

void FilePath_IsWithin(benchmark::State& state)
{
   const FilePath scope("//server/share/Users/me");
   for (auto _ : state)
   {
      for (const FilePath& path : filePaths())
         benchmark::DoNotOptimize(path.isWithin(scope));
   }
   setPerOperation(state);
}

void Boost_IsWithin(benchmark::State& state)
{
   const boost::filesystem::path scope("//server/share/Users/me");
   for (auto _ : state)
   {
      for (const auto& path : boostPaths())
         benchmark::DoNotOptimize(boostIsWithin(path, scope));
   }
   setPerOperation(state);
}

// A folder of kListedFiles empty files, made on first use and removed at exit.
constexpr int kListedFiles = 10000;

class ListedFolder
{
public:
   ListedFolder() :
      path_(boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("velorin-listing-%%%%%%%%"))
   {
      boost::filesystem::create_directory(path_);
      for (int i = 0; i < kListedFiles; ++i)
         std::ofstream((path_ / ("entry-" + std::to_string(i) + ".txt")).string());
   }
   ~ListedFolder()
   {
      boost::system::error_code ec;
      boost::filesystem::remove_all(path_, ec);
   }

   const boost::filesystem::path& path() const { return path_; }

private:
   boost::filesystem::path path_;
};

const boost::filesystem::path& listedFolder()
{
   static const ListedFolder folder;
   return folder.path();
}

void FilePath_List(benchmark::State& state)
{
   const FilePath folder(listedFolder().string());
   for (auto _ : state)
   {
      std::vector<FilePath> children;
      if (folder.getChildren(children) || children.size() != kListedFiles)
         state.SkipWithError("listing failed");
      benchmark::DoNotOptimize(children.data());
   }
   state.SetItemsProcessed(state.iterations() * kListedFiles);
}

void Boost_List(benchmark::State& state)
{
   const boost::filesystem::path& folder = listedFolder();
   for (auto _ : state)
   {
      std::vector<boost::filesystem::path> children;
      for (boost::filesystem::directory_iterator it(folder), end; it != end; ++it)
         children.push_back(it->path());
      if (children.size() != kListedFiles)
         state.SkipWithError("listing failed");
      benchmark::DoNotOptimize(children.data());
   }
   state.SetItemsProcessed(state.iterations() * kListedFiles);
}

BENCHMARK(FilePath_Construct)->Name("FilePath/Construct/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_Construct)->Name("FilePath/Construct/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_GenericForm)->Name("FilePath/GenericForm/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_GenericForm)->Name("FilePath/GenericForm/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_Parent)->Name("FilePath/Parent/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_Parent)->Name("FilePath/Parent/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_Filename)->Name("FilePath/Filename/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_Filename)->Name("FilePath/Filename/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_Extension)->Name("FilePath/Extension/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_Extension)->Name("FilePath/Extension/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_Complete)->Name("FilePath/Complete/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_Complete)->Name("FilePath/Complete/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_IsWithin)->Name("FilePath/IsWithin/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_IsWithin)->Name("FilePath/IsWithin/Peer:boost")->Unit(benchmark::kMillisecond);
BENCHMARK(FilePath_List)->Name("FilePath/List/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Boost_List)->Name("FilePath/List/Peer:boost")->Unit(benchmark::kMillisecond);

} // namespace
