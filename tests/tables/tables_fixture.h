// What the table tests share: a real SQLite attendance database in a temporary folder, a
// small payroll formulas archive (base 401) with its catalogue, recorded dialogs, and a few
// helpers to drive a panel the way the screen does (keys typed, box left).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_files.h"
#include "archive/bases.h"
#include "archive/catalogue.h"
#include "archive/field_codec.h"
#include "archive/fields.h"
#include "base/dialogs.h"
#include "base/keys.h"
#include "base/text.h"
#include "base/trace.h"
#include "db/attendance_db.h"
#include "tables/formulas.h"

namespace kaveltar::testing {

namespace fs = std::filesystem;

// One formula of the test archive; a record whose `description` is empty is a free record
// ("99" in its first two characters); `cancelled` keeps code and text behind the "99".
struct TestFormula {
  int code;
  std::string description;  // Windows-1252 bytes
  bool cancelled = false;
};

inline const std::vector<TestFormula>& TestFormulas() {
  static const std::vector<TestFormula> formulas = {
      {1, "ORE ORDINARIE"},  {2, ""},
      {3, "FERIE GODUTE"},   {4, "VOCE ANNULLATA", true},
      {5, "MALATTIA INPS"},  {6, "trasferta italia"},
      {7, "ZONA DISAGIATA"}, {8, "INDENNIT\xC0 CASSA"},
  };
  return formulas;
}

class TablesTest : public ::testing::Test {
 protected:
  static constexpr int kFormulaLength = 256;

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kaveltar-tables-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;

    const fs::path file = dir_ / kDatabaseFile;
    ASSERT_TRUE(CreateSqliteDatabase(file).ok());
    Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(file);
    ASSERT_TRUE(db.ok()) << db.status().message();
    db_ = std::move(*db);

    WriteFormulaArchive();
    files_ = std::make_unique<ArchiveFiles>(dir_, dialogs_, trace_);
    files_->LoadCatalogue();
    files_->FAIOPEN(bases::kFormulas);
    formulas_ = std::make_unique<FormulaArchive>(*files_, codec_);
  }

  void TearDown() override {
    formulas_.reset();
    files_.reset();
    db_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  AttendanceDb& db() { return *db_; }

  void AddGroup(std::string code, std::string description, std::string hours = "08:00") {
    GroupRow row;
    row.code = std::move(code);
    row.grup[1] = std::move(description);
    for (int d = 2; d <= 8; ++d) row.grup[static_cast<size_t>(d)] = d <= 6 ? hours : "00:00";
    ASSERT_TRUE(db_->SaveGroup(row).ok());
  }
  // A stored day of employee 0010010001.
  DayRow AddDay(std::string period) {
    DayRow day;
    day.employee = "0010010001";
    day.period = std::move(period);
    EXPECT_TRUE(db_->SaveDay(day).ok());
    return day;
  }

  // Types `text` into a box the way the screen does: each key through the panel's key
  // event, the outcome applied at the end of the box, the new text copied back.
  template <typename KeyPress, typename Change>
  static void Type(std::string box, std::string_view text, KeyPress key_press, Change change) {
    for (char c : text) {
      const auto out = key_press(static_cast<unsigned char>(c));
      if (out.clear_box) box.clear();
      if (out.key == kKeyBackspace) {
        if (!box.empty()) box.pop_back();
      } else if (out.key != 0) {
        box.push_back(static_cast<char>(out.key));
      }
      change(box);
    }
  }

  fs::path dir_;
  RecordingDialogs dialogs_;
  TraceRing trace_;
  FieldCodec codec_{dialogs_};
  std::unique_ptr<AttendanceDb> db_;
  std::unique_ptr<ArchiveFiles> files_;
  std::unique_ptr<FormulaArchive> formulas_;

 private:
  void WriteFormulaArchive() {
    std::string catalogue;
    for (int base = 1; base <= bases::kFormulas; ++base) {
      catalogue += base == bases::kFormulas ? FormatCatalogueRecord("FORMULE.DAT", kFormulaLength)
                                            : FormatCatalogueRecord("", 0);
    }
    std::ofstream(dir_ / "QXBASE.DAT", std::ios::binary) << catalogue;

    std::string archive;
    for (const TestFormula& f : TestFormulas()) {
      std::string record(kFormulaLength, ' ');
      if (!f.description.empty()) {
        codec_.PutField(fields::kZ001, std::to_string(f.code), 0, &record);
        codec_.PutField(fields::kZ002, f.description, 0, &record);
        codec_.PutField(fields::kZ003, "- ORE X PAGA ORARIA", 0, &record);
      }
      if (f.description.empty() || f.cancelled) record.replace(0, 2, "99");
      archive += record;
    }
    std::ofstream(dir_ / "FORMULE.DAT", std::ios::binary) << archive;
  }
};

}  // namespace kaveltar::testing
