// The installation a run works on, as start-up finds it: the payroll program's folders, the
// installation code, the attendance database in use, the processing date of the archives and
// the installation's printer names. Start-up builds it once; afterwards it is only read.
#pragma once

#include <filesystem>
#include <string>

#include "reports/printer_choice.h"

namespace kaveltar {

struct Installation {
  std::filesystem::path program_path;
  std::filesystem::path archive_path;
  std::string installation_code;  // two characters, or empty
  std::string database_label;     // the engine and place of the database, never a password
  std::string processing_date;    // YYYYMMDD
  int processing_year = 0;
  int processing_month = 0;
  // The two printer names of the installation's printer settings (LEGGISTAMPANTESTD).
  PrinterNames printer_names;
};

}  // namespace kaveltar
