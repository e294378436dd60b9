// ProgramStatus.hpp: what a program is to do after a start-up step such as reading its
// options: go on, or exit now with a given code.
//
//   ProgramStatus status = program_options::read(options, argc, argv, ...);
//   if (status.exit())
//      return status.exitCode();
#pragma once

namespace velorin::core {

class ProgramStatus
{
public:
   ProgramStatus(bool exit, int exitCode) : exit_(exit), exitCode_(exitCode) {}

   static ProgramStatus run() { return ProgramStatus(false, 0); }
   static ProgramStatus exitSuccess() { return ProgramStatus(true, 0); }
   static ProgramStatus exitFailure() { return ProgramStatus(true, 1); }

   bool exit() const { return exit_; }
   int exitCode() const { return exitCode_; }

private:
   bool exit_;
   int exitCode_;
};

} // namespace velorin::core
