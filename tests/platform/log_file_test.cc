// The support log: one entry per append with its continuation lines indented, control
// characters kept off the page, and the file turned over once it has grown.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/log_file.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LogFileTest : public ::testing::Test {
 protected:
  LogFileTest() : dir_(fs::temp_directory_path() / ("kaveltar-log-" + std::to_string(getpid()))) {
    fs::remove_all(dir_);
    saved_ = getenv("KAVELTAR_LOG") ? getenv("KAVELTAR_LOG") : "";
  }
  ~LogFileTest() override {
    fs::remove_all(dir_);
    setenv("KAVELTAR_LOG", saved_.c_str(), 1);  // empty counts as not set
    unsetenv("XDG_STATE_HOME");
  }
  fs::path dir_;
  std::string saved_;
};

TEST_F(LogFileTest, PlaceEntriesAndTurnOver) {
  unsetenv("KAVELTAR_LOG");
  setenv("XDG_STATE_HOME", dir_.c_str(), 1);
  EXPECT_EQ(LogFilePath(), dir_ / "kaveltar" / "kaveltar.log");

  setenv("KAVELTAR_LOG", "off", 1);
  EXPECT_TRUE(LogFilePath().empty());

  const fs::path file = dir_ / "k.log";
  setenv("KAVELTAR_LOG", file.c_str(), 1);
  WriteLog("kaveltar-cli", "memorize: stato 0, 1.20 s\nMemorizzati: 3\n");
  WriteLog("kaveltar-cli", "ditta \x1b[31mROSSI\r");
  const std::string text = ReadAll(file);
  const std::string pid = "[" + std::to_string(getpid()) + "] ";
  EXPECT_NE(text.find(" kaveltar-cli" + pid + "memorize: stato 0, 1.20 s\n  Memorizzati: 3\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("ditta ?[31mROSSI?\n"), std::string::npos) << text;

  // Past the size limit the file becomes k.log.1 and a new one starts.
  const std::string line(1000, 'x');
  while (fs::file_size(file) <= kLogRotateBytes) WriteLog("kaveltar", line);
  WriteLog("kaveltar", "dopo");
  ASSERT_TRUE(fs::exists(dir_ / "k.log.1"));
  EXPECT_LT(fs::file_size(file), 200u);
}

}  // namespace
}  // namespace kaveltar
