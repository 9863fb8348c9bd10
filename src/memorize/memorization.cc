#include "memorize/memorization.h"

#include "app/job_context.h"
#include "app/report_error.h"
#include "reports/anomaly_list.h"
#include "reports/printer_choice.h"

namespace kaveltar {

std::string ConfirmationText(std::string_view check_elabora_caption) {
  constexpr std::string_view kBreak = "\r\r";
  std::string text;
  text.append(
          "La memorizzazione non cancella eventuali dati memorizzati precedentemente per lo stesso "
          "periodo.")
      .append(kBreak);
  text.append(
          "Nel caso in cui ci sia la necessità di Rielaborare uno o più dipendenti già memorizzati "
          "selezionare l'opzione :")
      .append("'")
      .append(check_elabora_caption)
      .append("'")
      .append(kBreak);
  text.append(
          "In caso di anomalie riscontrate durante la fase di memorizzazione, al termine di "
          "quest'ultima verrà stampata una lista di controllo")
      .append(kBreak);
  text.append(
          "N.B. : I co.co.co/pro senza gruppo orario o profilo associato vengono esclusi dalla "
          "memorizzazione ma non viene generata nessuna anomalia nella lista di controllo.")
      .append(kBreak);
  return text;
}

MemorizationResult RunMemorization(const JobContext& job, const MemorizeOptions& options,
                                   const std::vector<std::string>& keys,
                                   const MemorizationHooks& hooks) {
  MemorizationResult result;
  // The installation's printer is chosen again for this job's list.
  PrinterNames names;
  LEGGISTAMPANTESTD(job.archives, job.trace, job.printing.printer(), &names);
  AnomalyList list(job.printing.printer());
  list.PREPARATESTATA(kAnomalyHeading);
  try {
    MonthMemorizer memorizer(job, options);
    memorizer.set_progress_sink(hooks.progress);
    memorizer.set_anomaly_sink([&](std::string_view line) {
      list.Print(line);
      result.anomalies.emplace_back(line);
      if (hooks.anomaly) hooks.anomaly(line);
    });
    memorizer.ELABORADIPENDENTI(keys);
    result.totals = memorizer.totals();
    if (hooks.progress && !keys.empty()) hooks.progress(keys.size(), keys.size(), {});
  } catch (const RunTimeError& error) {
    // Ends the program, except for a printer error the operator chose to live with; the run
    // then stops here and what was found so far is printed.
    job.errors.Report(error);
  }
  result.printed = list.Finish();
  return result;
}

std::string MemorizationSummary(const MemorizationResult& result, int year, int month,
                                std::string_view printed_to) {
  const MemorizeTotals& t = result.totals;
  std::string text(kMemorizationCompleted);
  text.append(": ");
  if (month >= 1 && month <= 12)
    text.append(kMonthNames[static_cast<size_t>(month - 1)]).append(" ");
  text.append(std::to_string(year)).append("\n");
  text.append("Dipendenti: ").append(std::to_string(t.employees)).append("\n");
  text.append("Memorizzati: ").append(std::to_string(t.written)).append("\n");
  text.append("Già memorizzati (lasciati invariati): ")
      .append(std::to_string(t.existing))
      .append("\n");
  text.append("Esclusi: ").append(std::to_string(t.skipped)).append("\n");
  text.append("Con anomalie: ").append(std::to_string(t.anomalies)).append("\n");
  text.append("Giorni scritti: ").append(std::to_string(t.days)).append("\n");
  if (result.printed)
    text.append("Lista delle anomalie stampata: ").append(printed_to).append("\n");
  return text;
}

MemorizeStart StartMemorization(const JobContext& job, const MemorizeRequest& request,
                                const MemorizationHooks& hooks,
                                const std::function<void()>& reset_screen,
                                MemorizationResult* result) {
  Dialogs& dialogs = job.dialogs;
  if (!request.company_selected) {
    dialogs.Show(kNoCompanySelected, kNoCompanySelectedTitle, MessageIcon::kInformation);
    return MemorizeStart::kNoCompany;
  }
  if (request.keys.empty()) {
    dialogs.Show(kNoEmployeeSelected, kNoEmployeeSelectedTitle, MessageIcon::kInformation);
    return MemorizeStart::kNoEmployee;
  }
  if (!dialogs.Ask(ConfirmationText(request.check_elabora_caption), MessageIcon::kExclamation)) {
    return MemorizeStart::kDeclined;
  }
  MemorizationResult run;
  const std::function<void()> loop = [&] {
    run = RunMemorization(job, request.options, request.keys, hooks);
  };
  if (hooks.run_loop) {
    hooks.run_loop(loop);
  } else {
    loop();
  }
  if (result) *result = std::move(run);
  if (reset_screen) reset_screen();
  dialogs.Show(kMemorizationCompleted, MessageIcon::kInformation);
  return MemorizeStart::kCompleted;
}

}  // namespace kaveltar
