// The Session owns everything the original program kept in form-level globals: the
// installation found at start-up, the archive channels and the field repositories, the trace
// ring, the attendance database, the employee extraction, the printer and the report output,
// and the operator's Dialogs. A front end creates it and hands each job only the services the
// job uses (the installation, the database, the archives, the dialogs, the printer).
// One thread at a time uses it: the desktop program hands it to a long job's worker thread and
// does not touch it until the job is over (ui/long_job.h).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/installation.h"
#include "app/job_context.h"
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

class Session final : public PrinterService, public ErrorHandler {
 public:
  // `program_name` is the writer named in the support log.
  explicit Session(Dialogs& dialogs, std::string program_name = "kaveltar-cli");
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
  PrinterJob& printer() override;
  bool has_printer() const { return printer_ != nullptr; }
  // Takes `printer` as the printer of this run; its printer errors (482) go to ReportError,
  // so the operator can retry them. A document still open on the previous printer is lost.
  void AttachPrinter(std::unique_ptr<PrinterJob> printer);
  // Where reports go: `PdfOutput`, the shared `ReportPdf` and this session's printer.
  ReportTarget& report_target() override;

  // The installation of this run, fixed by start-up; empty before it.
  const Installation& installation() const { return installation_; }
  void set_installation(Installation installation) { installation_ = std::move(installation); }
  const std::string& program_name() const { return program_name_; }

  // The general error handler (ReportError) for the jobs of this session.
  ErrorOutcome Report(const RunTimeError& error) override;
  // The installation and the services a job works with; valid once start-up is done.
  JobContext job();

  // Created by start-up once the archive folder is known.
  void AttachArchives(std::filesystem::path archive_folder);
  void AttachDatabase(std::unique_ptr<AttendanceDb> db) { db_ = std::move(db); }
  // Closes the database and every archive file; safe to call twice.
  void Close();

 private:
  Dialogs& dialogs_;
  std::string program_name_;
  Installation installation_;
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
