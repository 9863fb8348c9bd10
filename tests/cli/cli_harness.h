// Shared set-up for the kaveltar-cli tests: a demo installation in a fresh temporary folder,
// the environment pointing at it, and a helper that runs kaveltar-cli in-process.
#ifndef KAVELTAR_TESTS_CLI_CLI_HARNESS_H_
#define KAVELTAR_TESTS_CLI_CLI_HARNESS_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/dialogs.h"
#include "demo/demo_installation.h"

namespace kaveltar::cli_harness {

// What a kaveltar-cli run returned and wrote.
struct Output {
  int status;
  std::string out, err;
};

// The demo installation to write.
struct DemoSetup {
  int year = 2025;
  int month = 6;
  int companies = 2;
  int employees = 40;
  uint64_t seed = 5;
  bool write_registry = false;
};

// Makes a fresh temporary folder whose name starts with `prefix`, points KAVELTAR_DRIVE_C and
// KAVELTAR_REGISTRY inside it and writes the demo installation to <folder>/demo. Returns the
// folder, or an empty path when any step fails.
std::filesystem::path MakeDemoInstallation(const std::string& prefix, const DemoSetup& setup,
                                           DemoReport* report);

// How kaveltar-cli is called: with --archive/--programs pointing at <root>/demo, and with
// --printer when `printer` is not empty.
struct RunOptions {
  bool with_paths = true;
  std::string printer;
};

// Runs kaveltar-cli with the global options from `options`, then `args`. `dialogs` replaces the
// command line's own dialogs when not null.
Output Run(const std::filesystem::path& root, const std::vector<std::string>& args,
           Dialogs* dialogs, const RunOptions& options = {});

// The `--printer` value that spools printed documents into `folder`.
std::string FilePrinter(const std::filesystem::path& folder);

// `text` split at line ends.
std::vector<std::string> Lines(const std::string& text);

// The files in `dir` (none when it does not exist).
std::vector<std::filesystem::path> Files(const std::filesystem::path& dir);

// A test on a demo installation. A suite sharing one installation calls Install() from its
// SetUpTestSuite (removed by TearDownTestSuite); a suite wanting a fresh one per case calls
// Install() from SetUp and Remove() from TearDown.
class DemoTest : public ::testing::Test {
 protected:
  static void Install(const std::string& prefix, const DemoSetup& setup) {
    root_ = MakeDemoInstallation(prefix, setup, &report_);
    ASSERT_FALSE(root_.empty());
  }
  static void Remove() { std::filesystem::remove_all(root_); }
  static void TearDownTestSuite() { Remove(); }

  // kaveltar-cli with --archive/--programs; the questions answered by dialogs_, or by the
  // command line's own dialogs (from --yes / --no) when `own_dialogs` is set.
  Output Run(const std::vector<std::string>& args, RunOptions options = {},
             bool own_dialogs = false) {
    dialogs_.Clear();
    return cli_harness::Run(root_, args, own_dialogs ? nullptr : &dialogs_, options);
  }
  static const std::string& Key(DemoCase c) { return report_.Keys(c).front(); }
  static std::filesystem::path Archives() { return root_ / "demo" / "ARCHIVI"; }

  static inline std::filesystem::path root_;
  static inline DemoReport report_;
  RecordingDialogs dialogs_;
};

}  // namespace kaveltar::cli_harness

#endif  // KAVELTAR_TESTS_CLI_CLI_HARNESS_H_
