// The payroll items export: turns the stored attendance of one month into a file of payroll
// items ("voci paghe") per company, which the payroll program imports.
//
// Each justification of the month's rows is booked, through the formulas its GIUSTIFICATIVI
// row names (formula codes GIUS_9..GIUS_13, thresholds in minutes GIUS_14..GIUS_18), to hours
// per employee and formula, and each (employee, justification, formula) becomes one record.
//
// File: ArchivePath/IMPORTPRESENTE/VOC<company><MM>.TXT (MM is the month chosen on the
// screen, also when the previous month's attendance is exported), Windows-1252 bytes, one
// 198-character record per line, each followed by CR LF:
//
//   positions  width  content
//   1-10       10     employee key (company 3 + sub-company 3 + number 4)
//   11-14      4      justification code, trimmed, left-aligned
//   15-18      4      formula code, right-aligned with leading zeros
//   19-29      11     hours x 100 of the booked minutes (two decimals, no separator),
//                     right-aligned with leading zeros: 90 minutes give 00000000150
//   30-39      10     "0000000000"
//   40-66      27     Z002 and Z003 of the formula record, each trimmed, joined, upper case,
//                     cut to 27
//   67-198     132    blanks
//
// The file is written under a temporary name and renamed when complete, so the payroll
// program never reads half a file; a company without records leaves no file at all.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "platform/printer.h"

namespace kaveltar {

struct JobContext;

inline constexpr std::string_view kPhaseCheckMonth = "CONTROLLO PRESENZA MESE NEL DATABASE";
inline constexpr std::string_view kExportFinished = "Generazione file Voci Paghe terminato";
inline constexpr std::string_view kExportAnomalyHeading =
    "ELENCO ANOMALIE RISCONTRATE DURANTE LA GENERAZIONE DEL FILE VOCI PAGHE";
// The question asked when anomalies were found (its three lines).
std::string ExportAnomalyQuestion();

inline constexpr std::string_view kExportFolder = "IMPORTPRESENTE";
inline constexpr size_t kVociRecordLength = 198;
inline constexpr size_t kMaxExportAnomalies = 10001;
inline constexpr int kAnomalyLinesPerPage = 65;

// The period exported, YYYYMM: the chosen month, or with `previous_month` the month before
// it (December of the year before for January).
std::string ExportPeriod(int year, int month, bool previous_month);

// "VOC" + company code (three characters) + the chosen month (two digits) + ".TXT".
std::string VociFileName(std::string_view company, int month);

// Hours x 100 of `minutes`, rounded to the hundredth: 90 gives 150, 100 gives 167.
long long HundredthsOfHours(long minutes);

// One record of the file (without CR LF). `description` is Windows-1252 text already built.
std::string VociRecord(std::string_view employee, std::string_view justification,
                       std::string_view formula, long minutes, std::string_view description);

// The five formula rows of one justification: codes (GIUS_9..13) and thresholds in minutes
// (GIUS_14..18).
struct FormulaRows {
  std::array<std::string, 5> codes;
  std::array<long, 5> thresholds{};
};

// One row of the per-employee accumulation table (one per justification code 0..1000).
struct AccumulationRow {
  std::string code;                    // column 0 (and 12): the justification code
  std::array<std::string, 5> formula;  // columns 1, 3, 5, 7, 9
  std::array<long, 5> minutes{};       // columns 2, 4, 6, 8, 10
  std::string employee;                // column 11
};

// `ELABORA_GIUSTIFICATIVO` / `MEMORIZZA_SOGLIA`: distributes the minutes of one occurrence of
// a justification over its formula rows. The first row takes up to its threshold, each
// following non-empty row takes up to its threshold of what is left; what remains after the
// last row is not booked. A threshold of 0 books nothing and passes everything on.
void ELABORA_GIUSTIFICATIVO(const FormulaRows& formulas, long minutes, AccumulationRow* row);

// The row of the table a justification code books to: its numeric value ("A01" gives 0),
// kept within 0..1000.
size_t AccumulationIndex(std::string_view code);

struct ExportRequest {
  std::vector<ListEntry> companies;  // the selected entries of `ListAziCar`, in list order
  int year = 0;                      // `LabAnnoCar`
  int month = 0;                     // 1-12, `ListMesiCar`
  bool previous_month = false;       // `CheckPresPrec`
  // Before each company (index from 0, the number of companies), and once more with
  // index = number when the last one is done.
  std::function<void(size_t index, size_t total)> companies_progress;
};

struct ExportResult {
  std::vector<std::filesystem::path> files;  // files written, in company order
  std::vector<std::string> anomalies;        // UTF-8 texts
  long records = 0;
};

// Shows the phase and the company or employee being processed (`Label53`).
using ExportProgress = std::function<void(std::string_view phase, std::string_view what)>;

// The export itself, steps 1-2 of the start button: for each company, its employees of the
// period's year, their accumulation and their records. Missing attendance, justifications and
// formulas become anomalies. Archive and database failures are RunTimeError; a file that
// cannot be written is RunTimeError 75 naming it (the files already finished stay).
ExportResult RunPayrollExport(const JobContext& job, const ExportRequest& request,
                              const ExportProgress& progress = {});

// The start button ("Crea File Caricamento", `CmdCreaFileCaricamento_Click`) without its widgets:
// nothing without a company; otherwise the run, then the closing question (Yes prints the anomaly
// list) or the closing message. Run-time errors go to the general error handler.
ExportResult CreatePayrollExport(const JobContext& job, const ExportRequest& request,
                                 const ExportProgress& progress = {});

// The end of the start button after the run: with anomalies the question "Generazione file
// Voci Paghe terminato. ... Stampare una lista di controllo?" (Yes prints the list), without
// them the message "Generazione file Voci Paghe terminato". Printer errors go to the general
// error handler.
void FinishPayrollExport(const JobContext& job, const ExportResult& result);

// `STAMPA_ANOMALIE`: the anomaly list in "Courier New" 10 points, 65 lines a page, each page
// with the heading, "Pag." and its number, and a rule of "=".
void STAMPA_ANOMALIE(PrinterJob& printer, const std::vector<std::string>& anomalies);

}  // namespace kaveltar
