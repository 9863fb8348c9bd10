// Helpers of the migration tests: a temporary folder and writing a fixture file.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "migrate/jet4_writer.h"

namespace kaveltar::testing {

class MigrateTempFolder {
 public:
  MigrateTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kaveltar-mdb-XXXXXX");
    path_ = ::mkdtemp(pattern.data());
  }
  ~MigrateTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::filesystem::path WriteFixture(const std::filesystem::path& file,
                                          const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

// Writes the tables as a file.
inline std::filesystem::path WriteTables(const std::filesystem::path& file,
                                         const std::vector<JetTable>& tables) {
  return WriteFixture(file, WriteJet4(tables));
}

inline JetValue T(const char* s) { return std::string(s); }
inline JetValue N(int64_t n) { return n; }
inline const JetValue kNull = std::monostate{};

// The four tables with their key columns only: two days of 0010010001 and the justification FER.
inline std::vector<JetTable> SmallPreviousFile() {
  std::vector<JetTable> tables(4);
  const char* names[] = {"PRESENZE", "GIUSTIFICATIVI", "GRUPPI", "FESTIVITA"};
  const char* keys[] = {"KDIPENDENTE", "KGIUS", "KGRUPPO", "KDATAF"};
  for (int i = 0; i < 4; ++i) {
    tables[i].name = names[i];
    tables[i].columns = {{keys[i], kJetText}};
  }
  tables[0].columns.push_back({"KPERIODO", kJetText});
  tables[0].rows = {{T("0010010001"), T("20240102")}, {T("0010010001"), T("20240103")}};
  tables[1].rows = {{T("FER")}};
  return tables;
}

}  // namespace kaveltar::testing
