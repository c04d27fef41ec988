#include "tests/support/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>

extern char** environ;

namespace vantrel::test {

pid_t SpawnChild(const std::string& program, std::vector<std::string> args, int out, int err,
                 const std::vector<std::string>& extraEnvironment) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  if (err >= 0)
    posix_spawn_file_actions_adddup2(&actions, err, 2);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  // The extra settings replace the inherited ones of the same names (a shell keeps the last of
  // two, the C library the first).
  std::vector<std::string> environment = extraEnvironment;
  for (char** e = environ; *e; ++e) {
    const std::string_view setting(*e);
    const auto named = [&](const std::string& extra) {
      return extra.compare(0, extra.find('=') + 1, setting.substr(0, setting.find('=') + 1)) == 0;
    };
    if (std::none_of(extraEnvironment.begin(), extraEnvironment.end(), named))
      environment.emplace_back(setting);
  }
  std::vector<char*> envp;
  for (std::string& e : environment)
    envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int failed =
      posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(failed, 0) << "could not start " << program << ": " << std::strerror(failed);
  return failed == 0 ? pid : -1;
}

int ReapChild(pid_t pid, std::chrono::milliseconds bound, const std::string& what) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ADD_FAILURE() << what << " " << pid << " did not end within " << bound.count() << " ms";
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    usleep(10 * 1000);
  }
  return status;
}

}  // namespace vantrel::test
