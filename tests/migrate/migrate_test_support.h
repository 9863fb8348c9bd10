// Helpers of the migration tests: a temporary folder, writing a fixture file, and running
// mdbtools' own mdb-export on it as an independent reader.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
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

// Standard output of a shell command (standard error discarded).
inline std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

inline std::string MdbExport(const std::filesystem::path& file, const std::string& table) {
  return Shell("mdb-export '" + file.string() + "' '" + table + "'");
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
