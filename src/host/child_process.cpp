#include "host/child_process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "host/root.h"

extern char** environ;

int host_runProgram(const std::string& program, int* exitStatus) {
  posix_spawn_file_actions_t actions;
  if (int error = posix_spawn_file_actions_init(&actions)) return error;
  int error = posix_spawn_file_actions_addchdir_np(&actions, host_root().c_str());
  // The program inherits no open file of the receiver (record files, the display connection): only
  // standard input, output and error.
  if (error == 0) error = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  if (error == 0) {
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (error) return error;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return errno;
  }
  if (exitStatus) *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return 0;
}
