// Fuzz target: the reader of Access database files (the previous program's QXPRES.MDB). The
// input is the whole file; every user table the migration reads is opened and walked. The
// reader must answer with rows or an error, never crash, hang or read outside a row.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "migrate/mdb_reader.h"

using namespace kaveltar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The reader opens files by name (libmdb does): one scratch file per process.
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("kaveltar-fuzz-mdb-" + std::to_string(::getpid()) + ".mdb");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  Result<std::unique_ptr<MdbDatabase>> db = MdbDatabase::Open(file);
  if (db.ok()) {
    for (const char* table : {"PRESENZE", "GIUSTIFICATIVI", "GRUPPI", "FESTIVITA"}) {
      Result<std::vector<std::string>> columns = (*db)->Columns(table);
      long rows = 0;
      const Status s = (*db)->ReadRows(table, [&](const std::vector<MdbValue>& row) {
        if (columns.ok() && row.size() != columns->size()) std::abort();
        ++rows;
        return Status::Ok();
      });
      if (s.ok() && !columns.ok()) std::abort();
      if (!s.ok() && s.message().empty()) std::abort();
    }
  } else if (db.status().message().empty()) {
    std::abort();
  }
  std::filesystem::remove(file);
  return 0;
}
