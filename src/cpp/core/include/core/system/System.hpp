// System.hpp: the machine and the running process: processes and the job object,
// settings folders and paths, unique identifiers, and tests of the system.
//
//   std::vector<system::ProcessInfo> children;
//   Error error = system::getChildProcesses(&children);   // children before their own
//   FilePath settings = system::userSettingsPath(FilePath(), "Velorin", true);
//   std::string id = system::newUuidText(true);            // 8-4-4-4-12 hexadecimal
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/LogLevel.hpp>

namespace velorin::core::system {

// Processes.

// One process of the machine. Only the two ids are filled; the rest stays zero and
// empty.
struct ProcessInfo
{
   std::uint32_t pid = 0;
   std::uint32_t ppid = 0;
   std::uint32_t pgrp = 0;
   std::string username;
   std::string exe;
   std::string state;
   std::vector<std::string> arguments;
};

// A direct child: its id and its executable's file name (system code page).
struct SubprocInfo
{
   std::uint32_t pid = 0;
   std::string exe;
};

struct ProcessTreeNode
{
   boost::shared_ptr<ProcessInfo> data;
   std::vector<boost::shared_ptr<ProcessTreeNode>> children;
};

// Every process of one listing by id; the nodes are shared with their parents' lists.
using ProcessTreeMap = std::map<std::uint32_t, boost::shared_ptr<ProcessTreeNode>>;

// Appends every process of the machine, in the platform's order.
Error getProcesses(std::vector<ProcessInfo>* pInfo);

// Appends every descendant of the running process, each before its own descendants.
// The running process itself is never among them, whatever reused ids make of the
// parent links.
Error getChildProcesses(std::vector<ProcessInfo>* pOutput);

// The direct children of the process; empty, after logging, when they cannot be read.
std::vector<SubprocInfo> getSubprocesses(unsigned long pid);

Error terminateProcess(std::uint32_t pid);

// Terminates every descendant of the running process; a termination that fails is
// logged and the next one tried. Only the listing's error is returned.
Error terminateChildProcesses();

// A node per id (the first occurrence of an id wins), each entered in its parent's
// child list in ascending id order. Parent links may form cycles (the idle process is
// its own parent), which keep their nodes alive: clear the child lists when done.
void createProcessTree(const std::vector<ProcessInfo>& processes, ProcessTreeMap* pTree);

// Appends the node's descendants depth first, each once, down to 100 levels. The walk
// never passes through the node's own process or the running process, so a cycle of
// parent links never lists them and a caller that terminates the list survives it.
void getProcessDescendants(const boost::shared_ptr<ProcessTreeNode>& node,
                           std::vector<ProcessInfo>* pOutput,
                           int depth);

std::uint32_t getCurrentProcessId();
std::string currentProcessIdText();

// Runs the command through the command interpreter and appends what it prints on
// standard output; its exit status is not examined.
Error captureCommand(const std::string& command, std::string* pOutput);

// Puts the running process in a job that kills every process it starts when it ends.
// When an enclosing job refuses that, the program is started once more outside it
// (the variable "_VELORIN_LEVEL" marks the second copy), waits for the copy and ends
// with its exit code: this call then never returns.
void attachToJobObject();

// Folders and paths.

// The per-user and per-machine settings folders of the application; empty, after
// logging the HRESULT, when the shell cannot give them. create makes them.
FilePath userSettingsPath(const FilePath& userHomePath, const std::string& appName, bool create);
FilePath systemSettingsPath(const std::string& appName, bool create);

// The home path from the '|'-separated variable list, as FilePath resolves it.
FilePath userHomePath(std::string envOverride = std::string());

Error executablePath(const char* argv0, FilePath* pExecutablePath);
// ".." is the executable folder's parent; other paths complete the executable folder.
Error pathRelativeToExecutable(const std::string& relativePath, const char* argv0, FilePath* pPath);

// The full path: relative paths from the working directory, "." and ".." removed,
// links not followed.
Error realPath(const FilePath& path, FilePath* pRealPath);
Error realPath(const std::string& path, FilePath* pRealPath);
// Whether the two paths resolve to the same full path; a path that cannot be resolved
// is logged and makes them unequal.
bool realPathsEqual(const FilePath& path1, const FilePath& path2);

// Replaces a short 8.3 path by its long form; unchanged when there is none.
void expandToLongPath(FilePath* pPath);
// Adds ".exe" to a path without extension.
void appendExeExtension(FilePath* pPath);
// The expanded "%COMSPEC%"; empty when it cannot be expanded.
FilePath commandInterpreterPath();

bool hasHiddenAttribute(const std::string& path);
bool hasHiddenAttribute(const FilePath& path);
Error makeFileHidden(const FilePath& path);

// Identifiers and tests.

// A new UUID as text, with or without its dashes; empty, after logging, when the
// platform cannot make one.
std::string newUuidText(bool withDashes);
// Eight upper-case hexadecimal digits from a new UUID; empty when there is none.
std::string generateShortenedUuid();

bool isProcess64Bit();
bool isWindows64Bit();
bool atLeastWindows7();
// Whether the user has administrator rights, also when the process runs without them
// under user account control.
bool effectiveUserIsRoot();
bool isStderrTerminal();
bool isStdoutTerminal();

// Logging callbacks for code that reports through a function; both return true.
bool logErrorMessageCallback(const std::string& message, const ErrorLocation& location);
// Logs the error unless it is marked expected.
bool logErrorCallback(const Error& error, const ErrorLocation& location);

// There is no system log on Windows: nothing is registered.
Error initializeSystemLog(const std::string& programIdentity, log::LogLevel logLevel, bool enableConfigReload);
void initializeLogConfigReload();

// Blocks no signals on Windows, which has none to block; kept so that code written for
// several platforms reads the same.
class SignalBlocker : boost::noncopyable
{
public:
   SignalBlocker();
   virtual ~SignalBlocker();

private:
   struct Impl;
   boost::shared_ptr<Impl> pImpl_;
};

} // namespace velorin::core::system
