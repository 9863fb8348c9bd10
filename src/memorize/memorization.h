// The memorization operation as the screen's "Memorizza" button and the command line run it:
// the checks before the start, the confirmation text, the printed anomaly list around the
// employee loop, and the texts of the memorization screen.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "memorize/month_memorizer.h"

namespace kaveltar {

struct JobContext;

inline constexpr std::array<std::string_view, 12> kMonthNames = {
    "Gennaio", "Febbraio", "Marzo",     "Aprile",  "Maggio",   "Giugno",
    "Luglio",  "Agosto",   "Settembre", "Ottobre", "Novembre", "Dicembre"};

inline constexpr std::string_view kAnomalyHeading =
    "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE";
inline constexpr std::string_view kNoCompanySelected = "Attenzione! Nessuna Ditta selezionata";
inline constexpr std::string_view kNoCompanySelectedTitle = "Selezione Ditte";
inline constexpr std::string_view kNoEmployeeSelected = "Attenzione! Nessun Dipendente selezionato";
inline constexpr std::string_view kNoEmployeeSelectedTitle = "Selezione Dipendenti";
inline constexpr std::string_view kMemorizationCompleted = "Memorizzazione completata";

// The caption of `CheckElabora`, which the question below quotes.
inline constexpr std::string_view kCheckElaboraCaption = "Rielabora Periodo se Esistente";

// The question asked before the run: four parts, each followed by two carriage returns; the
// second ends with the caption of `CheckElabora` in single quotes.
std::string ConfirmationText(std::string_view check_elabora_caption = kCheckElaboraCaption);

struct MemorizationResult {
  MemorizeTotals totals;
  std::vector<std::string> anomalies;  // the lines printed, in order
  bool printed = false;                // the anomaly list was printed (it had lines)
};

struct MemorizationHooks {
  // Before each employee (index from 0), and once more with index = total when the last one
  // is done.
  MonthMemorizer::ProgressSink progress;
  MonthMemorizer::AnomalySink anomaly;  // each anomaly line, as it is printed
  // Runs the employee loop handed to it and returns when it is over. The desktop program
  // runs it on a worker thread while its window keeps answering; empty: run it here.
  std::function<void(const std::function<void()>& loop)> run_loop;
};

// The counts of a finished run, as the command line prints them and the memorization screen
// shows them: "Memorizzazione completata: <month name> <year>", then one line each for the
// employees, those memorized, those already memorized (left alone), those excluded, those
// with anomalies and the day rows written; when the anomaly list was printed, a last line
// naming where it went (`printed_to`). Every line ends with a line feed.
std::string MemorizationSummary(const MemorizationResult& result, int year, int month,
                                std::string_view printed_to = {});

// The run itself: chooses the installation's printer (`LEGGISTAMPANTESTD`), starts the
// anomaly list ("ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE") on a new print job,
// memorizes the month of every employee key (`ELABORADIPENDENTI`), and prints the list when at
// least one anomaly line was written, else throws the job away. An unexpected error (archive,
// database) goes to the general error handler, which ends the program.
MemorizationResult RunMemorization(const JobContext& job, const MemorizeOptions& options,
                                   const std::vector<std::string>& keys,
                                   const MemorizationHooks& hooks = {});

// What the screen hands to `CmdMemorizza_Click`.
struct MemorizeRequest {
  bool company_selected = false;  // an entry of `ListAziMem` is selected
  std::vector<std::string> keys;  // the employee keys of `ListDipMem`, in list order
  MemorizeOptions options;
  std::string check_elabora_caption = std::string(kCheckElaboraCaption);
};

enum class MemorizeStart { kNoCompany, kNoEmployee, kDeclined, kCompleted };

// `CmdMemorizza_Click` without its widgets: the two "Attenzione!" checks, the confirmation,
// the run, then `reset_screen` (the screen empties its selection) and the closing
// "Memorizzazione completata" (title: the form's caption).
MemorizeStart StartMemorization(const JobContext& job, const MemorizeRequest& request,
                                const MemorizationHooks& hooks,
                                const std::function<void()>& reset_screen,
                                MemorizationResult* result = nullptr);

}  // namespace kaveltar
