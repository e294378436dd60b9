// System.cpp: the parts of the system services that need no Windows call: lists of
// variables, "PATH" texts, the process tree and the logging callbacks.
#include <core/system/Environment.hpp>
#include <core/system/System.hpp>

#include <algorithm>
#include <unordered_set>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/make_shared.hpp>

#include <core/Checksum.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/SafeConvert.hpp>
#include <shared_core/UserHomePath.hpp>

namespace velorin::core::system {
namespace {

bool environmentNameEquals(const std::pair<std::string, std::string>& entry, const std::string& name)
{
   return boost::algorithm::iequals(entry.first, name);
}

std::string joinPathList(const std::string& current, const std::string& folder, bool prepend)
{
   if (current.empty())
      return folder;
   return prepend ? folder + ";" + current : current + ";" + folder;
}

// A process descends once; the visited ids end cycles that reused ids make.
void collectDescendants(const boost::shared_ptr<ProcessTreeNode>& node,
                        std::vector<ProcessInfo>* pOutput,
                        int depth,
                        std::unordered_set<std::uint32_t>* pVisited)
{
   constexpr int kMaxDepth = 100;
   for (const boost::shared_ptr<ProcessTreeNode>& child : node->children)
   {
      if (depth >= kMaxDepth || !pVisited->insert(child->data->pid).second)
         continue;
      pOutput->push_back(*child->data);
      collectDescendants(child, pOutput, depth + 1, pVisited);
   }
}

} // namespace

void addToPath(EnvironmentList* pEnvironment, const std::string& folder, bool prepend)
{
   setenv(pEnvironment, "PATH", joinPathList(getenv(*pEnvironment, "PATH"), folder, prepend));
}

void addToPath(std::string* pPath, const std::string& folder, bool prepend)
{
   *pPath = joinPathList(*pPath, folder, prepend);
}

void addToSystemPath(const FilePath& folder, bool prepend)
{
   const std::string current = getenv("PATH");
   const std::string text = folder.getAbsolutePath();
   setenv("PATH", prepend ? text + ";" + current : current + ";" + text);
}

void addToSystemPath(const std::string& folder, bool prepend)
{
   setenv("PATH", joinPathList(getenv("PATH"), folder, prepend));
}

void buildEnvironment(const EnvironmentList& variables, EnvironmentList* pEnvironment)
{
   environment(pEnvironment);
   for (const auto& variable : variables)
      setenv(pEnvironment, variable.first, variable.second);
}

void createProcessTree(const std::vector<ProcessInfo>& processes, ProcessTreeMap* pTree)
{
   for (const ProcessInfo& process : processes)
   {
      if (pTree->count(process.pid) != 0)
         continue;
      auto node = boost::make_shared<ProcessTreeNode>();
      node->data = boost::make_shared<ProcessInfo>(process);
      pTree->emplace(process.pid, node);
   }
   for (const auto& entry : *pTree)
   {
      const auto parent = pTree->find(entry.second->data->ppid);
      if (parent != pTree->end())
         parent->second->children.push_back(entry.second);
   }
}

std::string currentProcessIdText()
{
   return safe_convert::numberToString(getCurrentProcessId(), true);
}

std::string currentUserName()
{
   return getenv("USERNAME");
}

std::string generateShortenedUuid()
{
   const std::string uuid = newUuidText(false);
   return uuid.empty() ? uuid : checksum::crc32Hex(uuid);
}

Error getChildProcesses(std::vector<ProcessInfo>* pOutput)
{
   if (pOutput == nullptr)
      return systemError(22, ERROR_LOCATION);

   std::vector<ProcessInfo> processes;
   const Error error = getProcesses(&processes);
   if (error)
      return error;

   ProcessTreeMap tree;
   createProcessTree(processes, &tree);
   const auto self = tree.find(getCurrentProcessId());
   if (self != tree.end())
      getProcessDescendants(self->second, pOutput, 0);

   // Parent links can form cycles (the idle process is its own parent), and nodes in a
   // cycle would keep each other alive after the map is gone.
   for (auto& entry : tree)
      entry.second->children.clear();
   return Success();
}

void getProcessDescendants(const boost::shared_ptr<ProcessTreeNode>& node,
                           std::vector<ProcessInfo>* pOutput,
                           int depth)
{
   std::unordered_set<std::uint32_t> visited = {node->data->pid, getCurrentProcessId()};
   collectDescendants(node, pOutput, depth, &visited);
}

std::string getenv(const EnvironmentList& environment, const std::string& name)
{
   const auto found = std::find_if(environment.begin(), environment.end(),
                                   [&](const auto& entry) { return environmentNameEquals(entry, name); });
   return found == environment.end() ? std::string() : found->second;
}

void initializeLogConfigReload()
{
}

Error initializeSystemLog(const std::string& /*programIdentity*/, log::LogLevel /*logLevel*/,
                          bool /*enableConfigReload*/)
{
   return Success();
}

bool logErrorCallback(const Error& error, const ErrorLocation& location)
{
   if (!error.isExpected())
      log::logError(error, location);
   return true;
}

bool logErrorMessageCallback(const std::string& message, const ErrorLocation& location)
{
   log::logErrorMessage(message, location);
   return true;
}

bool parseEnvironmentEntry(std::string entry, std::pair<std::string, std::string>* pVariable)
{
   const std::size_t equals = entry.find('=');
   if (equals == std::string::npos)
      return false;
   *pVariable = std::make_pair(entry.substr(0, equals), entry.substr(equals + 1));
   return true;
}

bool realPathsEqual(const FilePath& path1, const FilePath& path2)
{
   const auto resolve = [](const FilePath& path, FilePath* pRealPath) {
      const Error error = realPath(path, pRealPath);
      if (error)
         log::logError(error, ERROR_LOCATION);
      return !error;
   };
   FilePath realPath1;
   FilePath realPath2;
   return resolve(path1, &realPath1) && resolve(path2, &realPath2) && realPath1 == realPath2;
}

void setenv(EnvironmentList* pEnvironment, const std::string& name, const std::string& value)
{
   const auto found = std::find_if(pEnvironment->begin(), pEnvironment->end(),
                                   [&](const auto& entry) { return environmentNameEquals(entry, name); });
   if (found == pEnvironment->end())
      pEnvironment->emplace_back(name, value);
   else
      *found = std::make_pair(name, value);
}

void setHomeFromUserProfile(EnvironmentList* pEnvironment)
{
   setenv(pEnvironment, "HOME", getenv(*pEnvironment, "USERPROFILE"));
}

struct SignalBlocker::Impl
{
};

SignalBlocker::SignalBlocker() : pImpl_(new Impl())
{
}

SignalBlocker::~SignalBlocker() = default;

void unsetenv(EnvironmentList* pEnvironment, const std::string& name)
{
   pEnvironment->erase(std::remove_if(pEnvironment->begin(), pEnvironment->end(),
                                      [&](const auto& entry) { return environmentNameEquals(entry, name); }),
                       pEnvironment->end());
}

FilePath userHomePath(std::string envOverride)
{
   return detail::resolveUserHomePath(envOverride);
}

} // namespace velorin::core::system
