#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "base/run_time_error.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kaveltar-platform-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("KAVELTAR_DRIVE_C", (dir_ / "c").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  fs::path dir_;
};

TEST_F(PlatformTest, DriveLettersAndCaseInsensitiveNames) {
  EXPECT_EQ(MapWindowsPath("C:\\PQXPAGHE\\QXPERARK.QXP"), dir_ / "c" / "PQXPAGHE/QXPERARK.QXP");
  EXPECT_EQ(MapWindowsPath("dir\\file.dat"), fs::path("dir/file.dat"));
  Write(dir_ / "c" / "pqxpaghe" / "qxperark.qxp", "/archivi\r\n");
  const fs::path found = FindCaseInsensitive(MapWindowsPath("C:\\PQXPAGHE\\QXPERARK.QXP"));
  EXPECT_EQ(found, dir_ / "c" / "pqxpaghe" / "qxperark.qxp");
  // A name that does not exist at all comes back unchanged, to be created as given.
  EXPECT_EQ(FindCaseInsensitive(dir_ / "NEW.DAT"), dir_ / "NEW.DAT");
}

TEST_F(PlatformTest, CopyReplacesTargetAndFailsCleanly) {
  Write(dir_ / "a", "new");
  Write(dir_ / "b", "old and longer");
  COPIAFILE(dir_ / "a", dir_ / "b");
  EXPECT_EQ(ReadFirstLine(dir_ / "b"), "new");
  try {
    COPIAFILE(dir_ / "missing", dir_ / "b");
    FAIL() << "copy of a missing file succeeded";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), RunTimeError::kFileNotFound);
  }
  EXPECT_EQ(ReadFirstLine(dir_ / "b"), "new");
  EXPECT_FALSE(FileExists(dir_));  // a folder is not a file
}

TEST_F(PlatformTest, RegistryValuesByType) {
  const fs::path file = dir_ / "registry.ini";
  Write(file,
        "[HKEY_CURRENT_USER\\SOFTWARE\\ALTROVIA\\SALARION]\n"
        "PERCORSOARCHIVI=sz:/srv/archivi\\0garbage after nul\n"
        "Contatore=dword:42\n"
        "Bad=dword:12z\n"
        "; a comment kept as it is\n");
  auto store = RegistryStore::Load(file);
  ASSERT_TRUE(store.ok());
  EXPECT_EQ(store->ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "percorsoarchivi"),
            "/srv/archivi");
  EXPECT_EQ(
      store->ReadRegistryString(kHkeyCurrentUser, "software\\altrovia\\salarion", "CONTATORE"),
      "42");
  EXPECT_EQ(store->ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "Bad"), "");

  store->SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI", "C:\\prog\\x");
  store->SetDword(kHkeyCurrentUser, kSalarionKey, "Contatore", 7);
  ASSERT_TRUE(store->Save(file).ok());
  auto again = RegistryStore::Load(file);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again->ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI"),
            "C:\\prog\\x");
  EXPECT_EQ(again->ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "Contatore"), "7");
  std::ifstream in(file);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("; a comment kept as it is"), std::string::npos);
}

TEST_F(PlatformTest, SecondInstanceIsRefusedUntilTheFirstEnds) {
  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  InstanceLock first, second, other;
  ASSERT_TRUE(first.Acquire("/srv/archivi"));
  EXPECT_FALSE(second.Acquire("/srv/archivi"));
  EXPECT_TRUE(other.Acquire("/srv/altro"));
  first.Release();
  EXPECT_TRUE(second.Acquire("/srv/archivi"));
}

}  // namespace
}  // namespace kaveltar
