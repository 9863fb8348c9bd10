// bench_startup: the desktop program's start, from the process being started to the main menu
// shown with its selection lists filled, on a demo installation.
//
//   bench_startup [EMPLOYEES] [--keep DIR]
// EMPLOYEES is the size of the demo installation (1-9999, default 9999). The program runs as
// a separate process, offscreen, with its hidden option --exit-when-ready, which makes it
// leave as soon as the menu is up; each run is timed from before fork to the end of the
// child. One untimed run first warms the disk cache and the font cache, then five timed runs;
// the result is their median. Every run must end with status 0 and report company lists that
// are not empty.
// --keep DIR leaves the installation in DIR.
//
// Before the last line: one "run=<seconds> peak_kb=<child's peak memory>" per timed run and
// the program's "lists=..." line. The last line is "startup_s=<median seconds>".
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench_common.h"

#ifndef KAVELTAR_PROGRAM
#error "KAVELTAR_PROGRAM must name the desktop program's executable"
#endif

namespace {

namespace fs = std::filesystem;
using namespace kaveltar::bench;

constexpr int kYear = 2024;
constexpr int kMonth = 3;
constexpr int kTimedRuns = 5;
constexpr int kTimeoutMs = 120000;

struct RunResult {
  double seconds = 0;
  long peak_kb = 0;
  std::string output;
};

// Starts the program on the demo installation, reads its standard output and waits for it.
RunResult RunProgram(const fs::path& demo) {
  const std::string program = KAVELTAR_PROGRAM;
  const std::string archive = (demo / "ARCHIVI").string();
  const std::string programs = (demo / "PROGRAMMI").string();
  std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                             const_cast<char*>("--archive"),
                             const_cast<char*>(archive.c_str()),
                             const_cast<char*>("--programs"),
                             const_cast<char*>(programs.c_str()),
                             const_cast<char*>("--exit-when-ready"),
                             nullptr};
  int out[2];
  if (::pipe(out) != 0) Die("pipe failed");

  RunResult result;
  const Clock::time_point start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) Die("fork failed");
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execv(program.c_str(), argv.data());
    std::perror(program.c_str());
    ::_exit(127);
  }
  ::close(out[1]);

  // Reads until the child closes its end; a child that hangs is killed.
  char buffer[4096];
  for (;;) {
    pollfd p{out[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, kTimeoutMs);
    if (ready == 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      Die("the program did not end within " + std::to_string(kTimeoutMs / 1000) + " s");
    }
    if (ready < 0) continue;
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(out[0]);

  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) Die("wait failed");
  result.seconds = Seconds(Clock::now() - start);
  result.peak_kb = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the program ended with status " +
        std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)));
  }
  return result;
}

// The "lists=a b c d" line of the program; every list must have rows.
std::string CheckLists(const std::string& output) {
  const size_t at = output.find("lists=");
  if (at == std::string::npos) Die("the program did not report its lists: " + output);
  const std::string line = output.substr(at, output.find('\n', at) - at);
  std::istringstream counts(line.substr(6));
  int rows = 0, lists = 0;
  while (counts >> rows) {
    if (rows <= 0) Die("a selection list is empty: " + line);
    ++lists;
  }
  if (lists != 4) Die("expected four selection lists: " + line);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  const DemoRun run = PrepareDemoRun("bench_startup", argc, argv, kYear, kMonth);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The support log of the runs stays in the working folder unless the caller chose one.
  setenv("KAVELTAR_LOG", (run.root / "kaveltar.log").c_str(), 0);

  CheckLists(RunProgram(run.demo).output);  // warm-up
  std::vector<double> times;
  std::string lists;
  for (int i = 0; i < kTimedRuns; ++i) {
    const RunResult r = RunProgram(run.demo);
    lists = CheckLists(r.output);
    std::printf("run=%.3f peak_kb=%ld\n", r.seconds, r.peak_kb);
    times.push_back(r.seconds);
  }
  std::sort(times.begin(), times.end());
  std::printf("%s\n", lists.c_str());
  std::printf("startup_s=%.3f\n", times[times.size() / 2]);
  RemoveWorkingFolder(run.args, run.root);
  return 0;
}
