#include "base/run_time_error.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kaveltar {
namespace {

struct ErrorText {
  int number;
  std::string_view text;
};

// Sorted by number.
constexpr std::array kErrorTexts{
    ErrorText{RunTimeError::kInvalidProcedureCall, "Chiamata di routine o argomento non validi"},
    ErrorText{6, "Overflow"},
    ErrorText{7, "Memoria esaurita"},
    ErrorText{RunTimeError::kSubscriptOutOfRange, "Indice non incluso nell'intervallo"},
    ErrorText{11, "Divisione per zero"},
    ErrorText{RunTimeError::kTypeMismatch, "Tipo non corrispondente"},
    ErrorText{RunTimeError::kInternalError, "Errore interno"},
    ErrorText{RunTimeError::kBadFileNumber, "Nome o numero di file non valido"},
    ErrorText{RunTimeError::kFileNotFound, "Impossibile trovare il file"},
    ErrorText{54, "Modalità del file non valida"},
    ErrorText{55, "File già aperto"},
    ErrorText{RunTimeError::kDeviceIo, "Errore di I/O della periferica"},
    ErrorText{58, "File già esistente"},
    ErrorText{RunTimeError::kBadRecordLength, "Lunghezza del record non valida"},
    ErrorText{RunTimeError::kDiskFull, "Disco pieno"},
    ErrorText{62, "Input oltre la fine del file"},
    ErrorText{RunTimeError::kBadRecordNumber, "Numero di record non valido"},
    ErrorText{67, "Troppi file"},
    ErrorText{68, "Periferica non disponibile"},
    ErrorText{RunTimeError::kPermissionDenied, "Autorizzazione negata"},
    ErrorText{71, "Disco non pronto"},
    ErrorText{RunTimeError::kPathFileAccess, "Errore di accesso al percorso/file"},
    ErrorText{RunTimeError::kPathNotFound, "Impossibile trovare il percorso"},
    ErrorText{RunTimeError::kInvalidPicture, "Immagine non valida"},
    ErrorText{RunTimeError::kPrinterError, "Errore della stampante"},
    ErrorText{RunTimeError::kDatabaseFileNotFound, "Impossibile trovare il file"},
    ErrorText{RunTimeError::kDatabaseDamaged,
              "Impossibile aprire il database. Potrebbe non essere un database riconosciuto "
              "dall'applicazione oppure il file potrebbe essere danneggiato."},
    ErrorText{RunTimeError::kDatabaseError, "ODBC: chiamata non riuscita."},
};

static_assert(std::is_sorted(kErrorTexts.begin(), kErrorTexts.end(),
                             [](const ErrorText& a, const ErrorText& b) {
                               return a.number < b.number;
                             }));

std::string Describe(int number, const std::string& detail) {
  std::string text(RunTimeErrorText(number));
  if (!detail.empty()) text.append(text.back() == '.' ? " " : ": ").append(detail);
  return text;
}

}  // namespace

RunTimeError::RunTimeError(int number, std::string detail)
    : std::runtime_error(Describe(number, detail)),
      number_(number),
      detail_(std::move(detail)),
      description_(Describe(number, detail_)) {}

std::string_view RunTimeErrorText(int number) {
  auto it = std::lower_bound(kErrorTexts.begin(), kErrorTexts.end(), number,
                             [](const ErrorText& e, int n) { return e.number < n; });
  if (it != kErrorTexts.end() && it->number == number) return it->text;
  return "Errore definito dall'applicazione o dall'oggetto";
}

RunTimeError DatabaseError(const Status& status, std::string_view what) {
  int number = RunTimeError::kDatabaseError;
  if (status.kind() == Status::Kind::kNotFound) number = RunTimeError::kDatabaseFileNotFound;
  if (status.kind() == Status::Kind::kCorrupt) number = RunTimeError::kDatabaseDamaged;
  std::string detail(what);
  if (!status.message().empty()) {
    if (!detail.empty()) detail.append(" - ");
    detail.append(status.message());
  }
  return RunTimeError(number, std::move(detail));
}

void ThrowDatabaseError(const Status& status, std::string_view what) {
  throw DatabaseError(status, what);
}

}  // namespace kaveltar
