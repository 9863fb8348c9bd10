// The general error handler: what happens to an unexpected error inside the start-up, archive,
// codec and list procedures.
//   - printer error 482: the operator is asked whether to retry; then whether to close the
//     program (No means the failing statement is skipped and work goes on; Yes ends it with
//     the printer's reason shown);
//   - anything else: the error and the last ten procedures are shown, then the program ends.
#pragma once

#include <functional>
#include <string_view>

#include "base/run_time_error.h"

namespace kaveltar {

class Session;

enum class ErrorOutcome { kRetry, kContinue };

inline constexpr std::string_view kPrinterRetryQuestion = "ERR.STAMPANTE - SI VUOLE RITENTARE ?";
inline constexpr std::string_view kPrinterCloseQuestion =
    "CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue)";

// Handles one error. Returns kRetry or kContinue for a printer error the operator chose not
// to end on; otherwise every file is closed and Fatal (silent: the texts were already shown)
// is thrown.
ErrorOutcome ReportError(Session& session, const RunTimeError& error);

// Runs `statement` under the general error handler: retried while the operator asks to retry,
// skipped when the operator chooses to go on.
void WithErrorHandler(Session& session, const std::function<void()>& statement);

}  // namespace kaveltar
