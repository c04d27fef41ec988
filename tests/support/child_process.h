#pragma once

// Programs under test started as child processes (POSIX): the one way the program tests start
// vantrel, vantrel-sim and the commands around them, and wait for their end.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vantrel::test {

// Starts `program` (looked up on PATH when it names no folder) with `args`, its standard output
// on the descriptor `out` and its standard error on `err` (inherited when -1). The settings of
// `extraEnvironment` ("NAME=value") replace the inherited ones of the same names. The child's
// process id, or -1 (and a test failure) when it could not be started.
pid_t SpawnChild(const std::string& program, std::vector<std::string> args, int out, int err = -1,
                 const std::vector<std::string>& extraEnvironment = {});

// Waits for the child to end, at most `bound`, then kills it (a test failure naming `what`); its
// wait status.
int ReapChild(pid_t pid, std::chrono::milliseconds bound, const std::string& what = "process");

}  // namespace vantrel::test
