// ComparisonMain.cpp: the main of every benchmark program. It runs the benchmarks as
// benchmark_main does, then prints how each library benchmark compares with its peers.
//
// Naming convention: a benchmark that takes part in a comparison has one name segment
// (segments are separated by '/') that says which side it measures:
//   "Library" or "Library:<what>"  the library's side,
//   "Peer" or "Peer:<who>"         a peer doing the same work in normal use.
// The comparison is the name with that segment left out, so arguments and thread
// counts pair up too: "FileLog/Library:registry/threads:8/real_time" is compared with
// "FileLog/Peer:spdlog/threads:8/real_time". Every library row is compared with every
// peer row of its comparison; the ratio is library time / peer time (wall-clock time
// per iteration), so below 1 the library is faster.
//
// The ratios follow the console table under the line kRatioHeading, one per line as
// "<comparison> <library> / <peer> <ratio>", and end with an empty line;
// scripts/run-benchmarks.sh gathers them from every program into one summary.
#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr const char* kRatioHeading = "Ratios (library time / peer time):";

struct Side
{
   bool isLibrary;
   std::string label;
};

// The side segment of a name, if it has one, and the name without it.
bool splitSide(const std::string& name, Side* side, std::string* comparison)
{
   bool found = false;
   std::string rest;
   std::size_t begin = 0;
   while (begin <= name.size())
   {
      const std::size_t end = std::min(name.find('/', begin), name.size());
      const std::string segment = name.substr(begin, end - begin);
      begin = end + 1;
      const std::size_t colon = std::min(segment.find(':'), segment.size());
      const std::string word = segment.substr(0, colon);
      if (!found && (word == "Library" || word == "Peer"))
      {
         found = true;
         side->isLibrary = word == "Library";
         side->label = colon < segment.size() ? segment.substr(colon + 1) : word;
         continue;
      }
      rest += rest.empty() ? segment : "/" + segment;
   }
   *comparison = rest;
   return found;
}

// The console table, with the time per iteration of every comparison side kept aside.
class ComparingReporter : public benchmark::ConsoleReporter
{
public:
   void ReportRuns(const std::vector<Run>& runs) override
   {
      ConsoleReporter::ReportRuns(runs);
      for (const Run& run : runs)
      {
         // With repetitions the median stands for the run; without, the run itself.
         const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
         if (run.error_occurred || run.iterations == 0 || (run.run_type == Run::RT_Aggregate && !isMedian))
            continue;
         Side side;
         std::string comparison;
         if (!splitSide(run.run_name.str(), &side, &comparison))
            continue;
         const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
         auto& rows = side.isLibrary ? libraries_[comparison] : peers_[comparison];
         rows[side.label] = seconds;
         order_.emplace(comparison, order_.size());
      }
   }

   void printRatios()
   {
      std::ostream& out = GetOutputStream();
      std::vector<std::pair<std::size_t, std::string>> comparisons;
      for (const auto& entry : order_)
         comparisons.emplace_back(entry.second, entry.first);
      std::sort(comparisons.begin(), comparisons.end());

      out << '\n' << kRatioHeading << '\n';
      for (const auto& entry : comparisons)
      {
         const auto libraries = libraries_.find(entry.second);
         const auto peers = peers_.find(entry.second);
         if (libraries == libraries_.end() || peers == peers_.end())
            continue;
         for (const auto& library : libraries->second)
         {
            for (const auto& peer : peers->second)
            {
               char row[256];
               std::snprintf(row, sizeof(row), "%-52s %-16s / %-18s %7.2f\n", entry.second.c_str(),
                             library.first.c_str(), peer.first.c_str(), library.second / peer.second);
               out << row;
            }
         }
      }
      out << std::endl;
   }

private:
   std::map<std::string, std::map<std::string, double>> libraries_;
   std::map<std::string, std::map<std::string, double>> peers_;
   std::map<std::string, std::size_t> order_;
};

} // namespace

int main(int argc, char** argv)
{
   benchmark::Initialize(&argc, argv);
   if (benchmark::ReportUnrecognizedArguments(argc, argv))
      return 1;
   ComparingReporter reporter;
   benchmark::RunSpecifiedBenchmarks(&reporter);
   reporter.printRatios();
   benchmark::Shutdown();
   return 0;
}
