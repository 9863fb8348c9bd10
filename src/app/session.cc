#include "app/session.h"

#include "app/report_error.h"
#include "app/startup.h"
#include "archive/bases.h"

namespace kaveltar {

Session::Session(Dialogs& dialogs, std::string program_name)
    : dialogs_(dialogs), program_name_(std::move(program_name)), codec_(dialogs) {}

Session::~Session() { Close(); }

void Session::AttachArchives(std::filesystem::path archive_folder) {
  lists_.reset();
  archives_ = std::make_unique<ArchiveFiles>(std::move(archive_folder), dialogs_, trace_);
  lists_ = std::make_unique<SelectionLists>(*archives_, codec_, dialogs_, trace_);
}

PrinterJob& Session::printer() {
  if (!printer_) AttachSystemPrinter(*this, "");
  return *printer_;
}

void Session::AttachPrinter(std::unique_ptr<PrinterJob> printer) {
  printer_ = std::move(printer);
  printer_->set_error_handler([this](const RunTimeError& error) {
    return ReportError(*this, error) == ErrorOutcome::kRetry;
  });
  report_target_.set_printer(printer_.get());
}

ReportTarget& Session::report_target() {
  printer();
  return report_target_;
}

ErrorOutcome Session::Report(const RunTimeError& error) { return ReportError(*this, error); }

JobContext Session::job() {
  return JobContext{installation_, *db_,     *archives_, codec_, *lists_,
                    trace_,        dialogs_, *this,      *this};
}

void Session::Close() {
  db_.reset();
  if (archives_) archives_->CloseArchiveFile(bases::kAll);
}

}  // namespace kaveltar
