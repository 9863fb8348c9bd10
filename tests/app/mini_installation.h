// A small hand-made payroll installation for the start-up and list tests: a catalogue with
// every base opened at start-up, two companies, a handful of employees in the current and
// previous year, the period record and the parameters. Each test gets its own folder and its
// own C: drive, so nothing leaks between tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/catalogue.h"
#include "archive/field_codec.h"
#include "archive/fields.h"
#include "archive/isam.h"
#include "base/dialogs.h"
#include "base/text.h"
#include "db/attendance_db.h"

namespace kaveltar::testing {

namespace fs = std::filesystem;

struct MiniEmployee {
  std::string key;  // 10 characters
  std::string surname, name;
  std::string p054 = "0", p017 = "", p768 = "0";
};

class MiniInstallation {
 public:
  static constexpr int kEmployeeLength = 14600;

  explicit MiniInstallation(const std::string& tag) {
    root = fs::temp_directory_path() / ("kaveltar-mini-" + std::to_string(::getpid()) + "-" + tag);
    fs::remove_all(root);
    archives = root / "ARCHIVI";
    programs = root / "PROGRAMMI";
    fs::create_directories(archives);
    fs::create_directories(programs);
    setenv("KAVELTAR_DRIVE_C", (root / "c").c_str(), 1);
    setenv("KAVELTAR_REGISTRY", (root / "registry.ini").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  }
  ~MiniInstallation() { fs::remove_all(root); }

  // Writes everything; `processing` is the DDMMYYYY date of base 6.
  void Write(const std::string& processing = "30062025") {
    constexpr int kIdx = 2176, kEmp = kEmployeeLength;
    const std::map<int, std::pair<std::string, int>> bases = {
        {1, {"DITTE.DAT", 3000}},   {2, {"DIPEND.DAT", kEmp}},    {5, {"ESTRAC.DAT", 200}},
        {6, {"PERIODO.DAT", 100}},  {7, {"IDXDIP.IDX", kIdx}},    {19, {"PARAM$$.DAT", 3000}},
        {29, {"DIPAP.DAT", kEmp}},  {30, {"IDXDIPAP.IDX", kIdx}}, {31, {"DIPAP2.DAT", kEmp}},
        {32, {"IDXAP2.IDX", kIdx}}, {37, {"ESTRAP.DAT", 200}},    {84, {"DIPAP4.DAT", kEmp}},
        {85, {"IDXAP4.IDX", kIdx}}, {86, {"VARIE.DAT", 50}},      {91, {"DIPAP3.DAT", kEmp}},
        {92, {"IDXAP3.IDX", kIdx}}, {93, {"ALTRO.DAT", 50}},      {96, {"PROFILI.DAT", 100}},
        {401, {"FORMULE.DAT", 300}}};
    std::string catalogue;
    for (int n = 1; n <= 401; ++n) {
      auto it = bases.find(n);
      catalogue += it == bases.end() ? FormatCatalogueRecord("", 0)
                                     : FormatCatalogueRecord(it->second.first, it->second.second);
    }
    Put("QXBASE.DAT", catalogue);
    Put("PERIODO.DAT", PadRight(processing, 100));

    std::string params(3000, ' ');
    codec.PutField(fields::kF419, "0", 0, &params);
    codec.PutField(fields::kF416, "123", 0, &params);
    codec.PutField(fields::kF161, "0412", 0, &params);
    Put("PARAM01.DAT", params);

    std::string companies;
    for (const auto& [code, name] : company_names) {
      std::string rec(3000, ' ');
      codec.PutField(fields::kT001, std::to_string(code), 0, &rec);
      codec.PutField(fields::kT002, name, 0, &rec);
      codec.PutField(fields::kT003, "X", 0, &rec);
      companies.resize(static_cast<size_t>(code) * 3000, ' ');
      companies.replace(static_cast<size_t>(code - 1) * 3000, 3000, rec);
    }
    Put("DITTE.DAT", companies);
    WriteYear(current, "DIPEND.DAT", "IDXDIP.IDX", "ESTRAC.DAT");
    WriteYear(previous, "DIPAP.DAT", "IDXDIPAP.IDX", "ESTRAP.DAT");
    for (const char* f :
         {"DIPAP2.DAT", "IDXAP2.IDX", "DIPAP3.DAT", "IDXAP3.IDX", "DIPAP4.DAT", "IDXAP4.IDX"})
      Put(f, "");
    fs::create_directories(root / "c" / "MIRTASK");
    std::ofstream(root / "c" / "MIRTASK" / "MIRTASK.INI") << "01 installazione di prova\r\n";
    ASSERT_TRUE(CreateSqliteDatabase(archives / kTemplateFile).ok());
  }

  void WritePathFiles(const std::string& ark, const std::string& pro) {
    fs::create_directories(root / "c" / "PQXPAGHE");
    std::ofstream(root / "c" / "PQXPAGHE" / "QXPERARK.QXP") << ark << "\r\n";
    std::ofstream(root / "c" / "PQXPAGHE" / "QXPERPRO.QXP") << pro << "\r\n";
  }

  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(archives / name, std::ios::binary) << bytes;
  }

  fs::path root, archives, programs;
  RecordingDialogs quiet;
  FieldCodec codec{quiet};
  std::map<int, std::string> company_names = {{1, "Caff\xE8 Centrale"}, {7, "Acme"}};
  std::vector<MiniEmployee> current = {
      {"0010010001", "Rossi", "Mario"},
      {"0010010002", "Bianchi", "Anna", "2", "15062025"},
      {"0010010003", "Verdi", "Luca", "0", "", "1"},
      {"0070010004", "Neri", "Giulia"},
  };
  std::vector<MiniEmployee> previous = {{"0010010001", "Rossi", "Mario"}};

 private:
  void WriteYear(const std::vector<MiniEmployee>& list, const std::string& data,
                 const std::string& index, const std::string& extraction) {
    std::string file;
    std::vector<IsamEntry> entries;
    std::string slots;
    for (const auto& e : list) {
      std::string rec(kEmployeeLength, ' ');
      codec.PutField(fields::kP001, e.key, 0, &rec);
      codec.PutField(fields::kP002, e.surname, 0, &rec);
      codec.PutField(fields::kP003, e.name, 0, &rec);
      codec.PutField(fields::kP054, e.p054, 0, &rec);
      codec.PutField(fields::kP017, e.p017, 0, &rec);
      codec.PutField(fields::kP768, e.p768, 0, &rec);
      const long number = static_cast<long>(ValInt(e.key.substr(6)));
      file.resize(static_cast<size_t>(number) * kEmployeeLength, ' ');
      file.replace(static_cast<size_t>(number - 1) * kEmployeeLength, kEmployeeLength, rec);
      entries.push_back({e.key, number});
      slots += e.key;
    }
    slots += "9999999999";
    Put(data, file);
    Put(extraction, PadRight(slots, (slots.size() + 199) / 200 * 200));
    ASSERT_TRUE(BuildIsamIndexFile(archives / index, 10, entries).ok());
  }
};

// The fixture of the start-up, settings and list tests: the test's own installation, and a
// session started on it with its folders given.
class MiniInstallationTest : public ::testing::Test {
 protected:
  MiniInstallationTest() : inst_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  Session& Start(const std::string& processing = "30062025") {
    inst_.Write(processing);
    return Begin({inst_.archives, inst_.programs});
  }
  // A new session started with `options` on the installation as it is.
  Session& Begin(const StartupOptions& options = {}) {
    session_ = std::make_unique<Session>(dialogs_);
    Startup(*session_, options);
    return *session_;
  }
  MiniInstallation inst_;
  RecordingDialogs dialogs_;
  std::unique_ptr<Session> session_;
};

}  // namespace kaveltar::testing
