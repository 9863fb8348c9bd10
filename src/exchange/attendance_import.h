// The external attendance import as the import screen runs it: choosing and checking a file,
// importing it into PRESENZE, and printing the record layout.
//
// An import replaces whole employee-months: every employee-month found in the file is
// deleted and rebuilt, each day with a record from the employee's schedule (as memorization
// builds it) and the record's values, each other day with its keys only. The whole import is
// one database transaction, so a failure or a kill in the middle leaves PRESENZE as it was.
//
// Decisions where the original leaves room:
// - a file code that matches no GIUS_5 is compared with the keys KGIUS themselves,
//   normalised the same way (a numeric key padded with zeros to ten digits as well);
// - records with an incomplete employee key or a day that is not a calendar day are left
//   out of the delete and rebuild (the latter reported on the list as "DATA NON VALIDA");
// - an employee without schedule, or with a group GRUPPI does not hold, is reported as
//   memorization reports it and his days still get the file's values, without schedule;
// - hours of a pair that are not valid hours are not stored (the code is);
// - the key and anomaly tables have no fixed size;
// - a CSV is converted into a work file of its own (FILEPRES_xxxxxx.TMP in the archive
//   folder), so imports run at the same time never mix; it goes when the choice is dropped;
// - a CSV line whose first value is a number of up to ten digits is a record (a spreadsheet
//   drops the leading zeros of the employee code); the heading lines skipped are counted and
//   shown, and a CSV without any record is refused with a message.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/import_file.h"
#include "platform/printer.h"

namespace kaveltar {

struct JobContext;

// The kinds of file of `OptTipofile`; only the CSV kind is converted.
enum class ImportFileKind { kExternal = 0, kCsv = 1, kTimeClock = 2 };

inline constexpr std::string_view kNotStandardBlocked =
    "Il file non corrisponde al tracciato standard Altrovia Raroziv.";
inline constexpr std::string_view kIncompleteEmployee =
    "In uno o più record il codice dipendente è mancante o incompleto";
inline constexpr std::string_view kCannotContinue =
    "Impossibile continuare. Contattare chi ha predisposto il file per effettuare le dovute "
    "correzioni";
inline constexpr std::string_view kNotStandardQuestion =
    "Il file non corrisponde al tracciato standard Altrovia Raroziv. Continuando l'importazione "
    "potrebbero "
    "verificarsi problemi di congruenza dati. Continuare ugualmente ?";
inline constexpr std::string_view kCsvWrongCharacters =
    "Attenzione!! Il file CSV contiene caratteri errati";
inline constexpr std::string_view kNoFileSelected = "Nessun file selezionato per l'importazione";
inline constexpr std::string_view kReplaceQuestion =
    "Attenzione, nel caso in cui durante l'importazione di un file presenze esterno, vengano "
    "trovate nel "
    "database, informazioni già esistenti per la giornata e il dipendente in elaborazione, queste "
    "ultime "
    "verranno sostituite con quelle presenti nel file di import. Continuare ?";
inline constexpr std::string_view kFileMissing = "File inesistente";
inline constexpr std::string_view kImportNotice =
    "In caso di anomalie riscontrate durante la fase di importazione, al termine di quest'ultima "
    "verrà "
    "stampata una lista di controllo";
inline constexpr std::string_view kImportAnomalyHeading =
    "ELENCO ANOMALIE RISCONTRATE NELLA FASE DI IMPORTAZIONE FILE ESTERNO";
inline constexpr std::string_view kImportQuestionTitle = "Importazione file esterno";
inline constexpr std::string_view kImportCompleted = "Importazione completata";
inline constexpr std::string_view kNoMatchText = " NESSUNA CORRISPONDENZA COD.GIUSTIFICATIVO";
// The import's own wording for a schedule group missing from GRUPPI (memorization says
// " Cod.Gruppo in P766 ..."); the employee without group or profile reads as in memorization.
inline constexpr std::string_view kImportGroupMissingText =
    " Codice Gruppo in P766 non presente nella tabella GRUPPI";
inline constexpr std::string_view kNotInArchiveText = " Non presente in archivio";
inline constexpr std::string_view kInvalidDayText = " DATA NON VALIDA";

// "File selezionato " + path + " Inesistente".
std::string FileNotFoundText(std::string_view path);
// The first-record question: company and period of the record, then "Proseguire ?".
std::string FirstRecordQuestion(std::string_view record);

// A justification code of a file or of the table, normalised for comparing: a numeric code
// padded with "0" on the left to ten characters, any other code trimmed and upper-cased as
// the tables panel upper-cases a typed code (accented letters too). The result is UTF-8; a
// byte that is not UTF-8 is read as Windows-1252.
std::string NormaliseImportCode(std::string_view code);

// The state of the import screen: the file, its kind, the four results, the import button.
struct ImportState {
  ImportFileKind kind = ImportFileKind::kExternal;
  std::string path;                     // `lblNomeFileImport`; empty when no file is chosen
  std::filesystem::path work;           // the file the import reads (the work file for a CSV)
  std::shared_ptr<WorkFile> work_file;  // a CSV's private work file; gone with the last copy
  long skipped_lines = 0;               // CSV lines that were not records (headings)
  std::array<std::string, 4> results = {std::string(kCheckInitial), std::string(kCheckInitial),
                                        std::string(kCheckInitial), std::string(kCheckInitial)};
  bool import_enabled = false;  // `CmdImportaFile`
  bool csv_wrong = false;       // the CSV conversion met wrong characters
};

// `CmdCerca_Click` after the file dialog: shows the path, checks the file (a CSV converted
// first into a work file of its own in the archive folder) and sets the results and the
// import button with their messages and question. A path that does not exist, a CSV that
// cannot be converted and a CSV without any record are reported and empty the state.
void ChooseImportFile(const JobContext& job, ImportState* state, std::string path);

struct ImportResult {
  bool completed = false;
  std::vector<std::string> keys;       // employee-months replaced: "KEY YYYYMM", file order
  std::vector<std::string> anomalies;  // lines printed
  long records = 0;                    // records imported
  long days = 0;                       // day rows written
  bool printed = false;                // the anomaly list went to the printer
};

struct ImportHooks {
  // Before each employee-month is rebuilt: its index, the number of them and the key.
  std::function<void(size_t index, size_t total, std::string_view key)> progress;
};

// `CmdImportaFile_Click`: the questions and notices, then the import in one transaction,
// "Importazione completata", the work file let go after a CSV, the anomaly list printed when
// it has lines. Archive and database failures go to the general error handler with PRESENZE
// left as it was.
ImportResult ImportAttendanceFile(const JobContext& job, ImportState* state,
                                  const ImportHooks& hooks = {});

// The lines of the layout print, in order.
std::vector<std::string> LayoutLines();
// `CmdStampaImp_Click`: "Preparare la stampante " / " e premere il tasto ok", then the layout
// in "Courier New" on the printer.
void PrintImportLayout(const JobContext& job);

}  // namespace kaveltar
