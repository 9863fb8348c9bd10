#include "pdf/desktop_viewer.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace kaveltar {
namespace {

// The opener's full path from the PATH, or empty.
std::string FindOpener() {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
  while (!dirs.empty()) {
    const size_t colon = dirs.find(':');
    std::string candidate(dirs.substr(0, colon));
    if (!candidate.empty()) {
      candidate += "/xdg-open";
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
  }
  return {};
}

constexpr int kOpenedStatus = 0;
constexpr int kFailedStatus = 3;

}  // namespace

ViewerOutcome OpenWithDesktopViewer(const std::string& path, int wait_ms) {
  std::string opener = FindOpener();
  if (opener.empty()) return ViewerOutcome::kNoOpener;
  std::string target = path;
  char* argv[] = {opener.data(), target.data(), nullptr};

  // A short-lived child starts the opener in a grandchild, watches it for a while and reports
  // by its own exit status; the grandchild, orphaned, is reaped by the system. Between fork
  // and exec only async-signal-safe calls are made (the program has other threads).
  const pid_t child = fork();
  if (child < 0) return ViewerOutcome::kNoViewer;
  if (child == 0) {
    setsid();
    const pid_t viewer = fork();
    if (viewer < 0) _exit(kFailedStatus);
    if (viewer == 0) {
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      execv(argv[0], argv);
      _exit(127);
    }
    const timespec step{0, 20 * 1000 * 1000};
    for (int waited = 0; waited < wait_ms; waited += 20) {
      int status = 0;
      const pid_t done = waitpid(viewer, &status, WNOHANG);
      if (done == viewer) {
        _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kOpenedStatus : kFailedStatus);
      }
      if (done < 0 && errno != EINTR) _exit(kFailedStatus);
      nanosleep(&step, nullptr);
    }
    _exit(kOpenedStatus);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return ViewerOutcome::kNoViewer;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == kOpenedStatus ? ViewerOutcome::kOpened
                                                                   : ViewerOutcome::kNoViewer;
}

}  // namespace kaveltar
