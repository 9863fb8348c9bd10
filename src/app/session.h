// The Session owns everything the original program kept in form-level globals: the settings
// fixed at start-up, the archive channels and the field repositories, the trace ring, the
// attendance database, the employee extraction, the printer and the report output, and the
// operator's Dialogs. It is created by a front end and passed by reference to every operation.
// One thread at a time uses it: the desktop program hands it to a long job's worker thread and
// does not touch it until the job is over (ui/long_job.h).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "archive/archive_files.h"
#include "archive/field_codec.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "base/trace.h"
#include "db/attendance_db.h"
#include "platform/instance_lock.h"
#include "platform/printer.h"
#include "reports/print_primitives.h"
#include "reports/printer_choice.h"

namespace kaveltar {

inline constexpr std::string_view kProductName = "KAVELTAR";

class Session {
 public:
  explicit Session(Dialogs& dialogs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Dialogs& dialogs() { return dialogs_; }
  TraceRing& trace() { return trace_; }
  FieldCodec& codec() { return codec_; }
  ArchiveFiles& archives() { return *archives_; }
  AttendanceDb& db() { return *db_; }
  bool has_db() const { return db_ != nullptr; }
  SelectionLists& lists() { return *lists_; }
  InstanceLock& instance_lock() { return instance_lock_; }

  // The printer of this run. Until start-up attaches one, the first use opens the system's
  // printer (KAVELTAR_PRINTER, else CUPS with the STAMPE folder of the archive folder as
  // fallback); a bad KAVELTAR_PRINTER then throws Fatal with the reason.
  PrinterJob& printer();
  bool has_printer() const { return printer_ != nullptr; }
  // Takes `printer` as the printer of this run; its printer errors (482) go to ReportError,
  // so the operator can retry them. A document still open on the previous printer is lost.
  void AttachPrinter(std::unique_ptr<PrinterJob> printer);
  // Where reports go: `PdfOutput`, the shared `ReportPdf` and this session's printer.
  ReportTarget& report_target();
  // The two printer names of the installation's printer settings (LEGGISTAMPANTESTD).
  PrinterNames printer_names;

  // Settings fixed at start-up.
  std::filesystem::path program_path;
  std::filesystem::path archive_path;
  std::string installation_code;  // two characters, or empty
  std::string database_label;     // the engine and place of the database, never a password
  std::string program_name = "kaveltar-cli";  // the writer named in the support log
  std::string processing_date;                // YYYYMMDD
  int processing_year = 0;
  int processing_month = 0;

  // Created by start-up once the archive folder is known.
  void AttachArchives(std::filesystem::path archive_folder);
  void AttachDatabase(std::unique_ptr<AttendanceDb> db) { db_ = std::move(db); }
  // Closes the database and every archive file; safe to call twice.
  void Close();

 private:
  Dialogs& dialogs_;
  TraceRing trace_;
  FieldCodec codec_;
  InstanceLock instance_lock_;
  std::unique_ptr<ArchiveFiles> archives_;
  std::unique_ptr<SelectionLists> lists_;
  std::unique_ptr<AttendanceDb> db_;
  std::unique_ptr<PrinterJob> printer_;
  ReportTarget report_target_;
};

}  // namespace kaveltar
