// What a job of the core (memorization, import and export, sheet printing and summaries,
// opening a month for editing) works with: the installation found at start-up and the
// services of the run, lent by the front end for the length of the job. A job sees only
// these, never the front end's Session.
#pragma once

#include "app/installation.h"
#include "app/report_error.h"
#include "archive/archive_files.h"
#include "archive/field_codec.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "base/run_time_error.h"
#include "base/trace.h"
#include "db/attendance_db.h"
#include "platform/printer.h"
#include "reports/print_primitives.h"

namespace kaveltar {

// The printer of a run, opened when a job first prints (a job that never prints never opens
// one).
class PrinterService {
 public:
  virtual PrinterJob& printer() = 0;
  // Where reports go: `PdfOutput`, the shared `ReportPdf` and the printer.
  virtual ReportTarget& report_target() = 0;

 protected:
  ~PrinterService() = default;
};

// The general error handler of a run (see ReportError): kRetry or kContinue for a printer
// error the operator chose to live with; anything else ends the program with Fatal.
class ErrorHandler {
 public:
  virtual ErrorOutcome Report(const RunTimeError& error) = 0;

 protected:
  ~ErrorHandler() = default;
};

struct JobContext {
  const Installation& installation;
  AttendanceDb& db;
  ArchiveFiles& archives;
  FieldCodec& codec;
  SelectionLists& lists;
  TraceRing& trace;
  Dialogs& dialogs;
  PrinterService& printing;
  ErrorHandler& errors;
};

}  // namespace kaveltar
