#include "app/report_error.h"

#include <string>

#include "app/session.h"
#include "base/fatal.h"
#include "platform/log_file.h"

namespace kaveltar {

ErrorOutcome ReportError(Session& session, const RunTimeError& error) {
  Dialogs& dialogs = session.dialogs();
  {
    // Every error reaches the support log with the last procedures, before any question.
    std::string entry =
        "errore " + std::to_string(error.number()) + " " + error.description() + "\n";
    for (const std::string& name : session.trace().OldestToNewest())
      entry.append(name).append("\n");
    WriteLog(session.program_name(), entry);
  }
  if (error.number() == RunTimeError::kPrinterError) {
    if (dialogs.Ask(kPrinterRetryQuestion, "Salarion", MessageIcon::kCritical)) {
      return ErrorOutcome::kRetry;
    }
    if (!dialogs.Ask(kPrinterCloseQuestion, "Salarion", MessageIcon::kExclamation)) {
      return ErrorOutcome::kContinue;
    }
    session.Close();
    // The program ends with the printer's reason, so the operator (or a script's log) knows
    // what failed.
    throw Fatal("Stampa non riuscita: " + error.description(), "Salarion", MessageIcon::kCritical,
                1);
  }

  std::string text = " ";
  text.append(kProductName).append("Errore ").append(std::to_string(error.number()));
  text.append(" ").append(error.description()).append("\n");
  for (const std::string& name : session.trace().OldestToNewest()) text.append(name).append("\n");
  dialogs.Show(text, "Salarion", MessageIcon::kCritical);
  dialogs.Show("CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\nLANCIARE RIPRISTINO TASK", "Salarion",
               MessageIcon::kInformation);
  session.Close();
  throw Fatal::Silent(1);
}

void WithErrorHandler(Session& session, const std::function<void()>& statement) {
  for (;;) {
    try {
      statement();
      return;
    } catch (const RunTimeError& error) {
      if (ReportError(session, error) == ErrorOutcome::kContinue) return;
    }
  }
}

}  // namespace kaveltar
