// The printer of a real run: documents are rendered as PDF (our PdfDocument, twips turned
// into points) and handed to the system's print service (CUPS), or written as PDF files into
// a spool folder.
//
// Which printer a run uses (PrinterChoice): the command line's --printer, else the
// environment variable KAVELTAR_PRINTER, else the installation's setting and the system's
// default printer. A choice is either a printer name of the print service or "file:DIR", which
// writes every finished document into DIR as
//     <YYYYMMDD>-<HHMMSS>-<sequence>-<title>.pdf
// (used by tests and on machines without printers). When the print service offers no printer
// at all and nothing was chosen, documents go the same way into the fallback folder (the
// STAMPE folder of the archive folder) and the operator is told where each one went.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs.h"
#include "base/status.h"
#include "platform/printer.h"

namespace kaveltar {

// The system's print service: its printers and the submission of a finished PDF document.
class PrintService {
 public:
  virtual ~PrintService() = default;
  // The printers in the service's order. Fails when the service cannot be reached.
  virtual Result<std::vector<PrinterInfo>> ListPrinters() = 0;
  // Prints the PDF file `pdf` on `printer` as a job named `title`, reading it piece by piece.
  // Returns a description of the job.
  virtual Result<std::string> Submit(const std::string& printer, const std::string& title,
                                     const std::filesystem::path& pdf) = 0;
};

// The CUPS print service: destinations from the CUPS server (with their lpoptions), jobs
// created on them with the PDF document as their only file. Without a CUPS server the list
// fails with the server's reason and so does every submission.
std::unique_ptr<PrintService> MakeCupsPrintService();

// Puts the finished file `pdf` into `folder` (created when missing) under a new name made of
// the local time, a sequence number and `title` (cut and cleaned of characters that do not
// belong in a file name): it is linked (or, across file systems, copied) under the new name
// and stays where it is. The new file appears complete or not at all. Returns its path.
Result<std::filesystem::path> SpoolFileToFolder(const std::filesystem::path& folder,
                                                std::string_view title,
                                                const std::filesystem::path& pdf);

// A printer job that renders into a PDF document and prints it through a PrintService, or
// writes it into a folder. The document is written page by page into a temporary file (in the
// spool folder, else the system's temporary folder) and sent from there in pieces, so memory
// stays flat however many pages and copies a run prints.
class PdfPrinterJob : public PrinterJob {
 public:
  // Prints through `service`; `printer` is the first current printer ("" for the service's
  // default). With no printer at all, documents go into `fallback_folder` and a message
  // through `dialogs` (when not null) says where.
  PdfPrinterJob(std::unique_ptr<PrintService> service, std::string printer, bool fixed,
                std::filesystem::path fallback_folder, Dialogs* dialogs);
  // Writes every document into `folder`.
  explicit PdfPrinterJob(std::filesystem::path folder);
  ~PdfPrinterJob() override;

  Result<std::vector<PrinterInfo>> Printers() override;
  std::string DeviceName() override;
  bool SelectPrinter(const std::string& name) override;

 protected:
  void StartDocument() override;
  void StartPage(int page) override;
  void DrawText(double x, double y, std::string_view text, const PrinterFont& font) override;
  void DrawLine(double x1, double y1, double x2, double y2, uint32_t color, LineShape shape,
                int draw_width) override;
  void DrawPicture(const std::filesystem::path& picture, double x, double y, double width,
                   double height) override;
  void FinishDocument() override;
  void DiscardDocument() override;

 private:
  struct Rendering;
  void CheckPdf(const char* what);
  void Deliver(const std::filesystem::path& pdf);
  std::string FolderDeviceName(const std::filesystem::path& folder) const;

  std::unique_ptr<PrintService> service_;  // null: folder only
  std::string printer_;
  std::filesystem::path folder_;  // the spool folder, or the fallback folder with a service
  Dialogs* dialogs_ = nullptr;
  std::unique_ptr<Rendering> rendering_;
};

// The printer choice of this run: `command_line` when not empty, else $KAVELTAR_PRINTER.
std::string PrinterChoice(const std::string& command_line);

struct PrinterSetup {
  std::string choice;                     // "", a printer name, or "file:DIR"
  std::filesystem::path fallback_folder;  // where documents go when there is no printer
};

// The printer of a run. A "file:" choice needs a folder that exists or can be created; a
// printer name must be one of the service's printers. Fails with the reason otherwise.
Result<std::unique_ptr<PrinterJob>> OpenSystemPrinter(
    const PrinterSetup& setup, Dialogs* dialogs,
    std::unique_ptr<PrintService> service = MakeCupsPrintService());

}  // namespace kaveltar
