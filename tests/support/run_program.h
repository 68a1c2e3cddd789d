// Runs a program as a shell would, without one: the program with its
// arguments (UTF-8) in a folder, a text on its standard input, and what it
// writes to standard output and standard error kept apart. POSIX forks and
// executes; Windows calls CreateProcessW with a command line quoted by the
// rules its C runtime parses.
#pragma once

#include <cstdint>
#include <string>

#include "support/test_support.h"

namespace qm::test {

struct ProgramRun {
    int status = -1;  // the exit status; 128 + the signal that ended it; -1: never started
    std::string out, err;
};

// folder empty: the current one. input is written whole before the outputs
// are read, so it is meant to be short (under a pipe's 64 KiB).
// addressSpace: POSIX's RLIMIT_AS for the program; 0 (and on Windows): none.
ProgramRun RunProgram(const std::string& program, const Texts& args, const std::string& folder = "",
                      const std::string& input = "", std::uint64_t addressSpace = 0);

}  // namespace qm::test
