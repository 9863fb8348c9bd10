// Handing a finished file to the desktop's opener: what the opener's exit says, and an
// opener that stays up (showing the file itself) counting as opened.
#include "pdf/desktop_viewer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "pdf_test_util.h"

namespace kaveltar {
namespace {

class DesktopViewerTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_path_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : ""; }
  void TearDown() override { setenv("PATH", saved_path_.c_str(), 1); }
  // An opener named xdg-open alone on the PATH, running `script`.
  void Opener(const std::string& script) {
    pdf_test::WriteFile(dir_.File("xdg-open"), "#!/bin/sh\n" + script + "\n");
    std::filesystem::permissions(dir_.File("xdg-open"), std::filesystem::perms::owner_all);
    setenv("PATH", (dir_.File("") + ":/usr/bin:/bin").c_str(), 1);
  }

  pdf_test::TempDir dir_;
  std::string saved_path_;
};

TEST_F(DesktopViewerTest, TheOpenersVerdictDecides) {
  setenv("PATH", dir_.File("").c_str(), 1);
  EXPECT_EQ(OpenWithDesktopViewer(dir_.File("a.pdf")), ViewerOutcome::kNoOpener);

  // xdg-open's "no method available for opening" is exit status 3.
  Opener("exit 3");
  EXPECT_EQ(OpenWithDesktopViewer(dir_.File("a.pdf")), ViewerOutcome::kNoViewer);

  const std::string log = dir_.File("opened.txt");
  Opener("echo \"$1\" > " + pdf_test::Quote(log));
  EXPECT_EQ(OpenWithDesktopViewer(dir_.File("a b.pdf")), ViewerOutcome::kOpened);
  EXPECT_EQ(pdf_test::ReadFile(log), dir_.File("a b.pdf") + "\n");
}

TEST_F(DesktopViewerTest, AnOpenerStillShowingTheFileCountsAsOpenedWithoutWaitingForIt) {
  Opener("sleep 5");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OpenWithDesktopViewer(dir_.File("a.pdf"), 200), ViewerOutcome::kOpened);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

}  // namespace
}  // namespace kaveltar
