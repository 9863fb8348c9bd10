#include "cli/exchange_commands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "app/session.h"
#include "archive/selection_lists.h"
#include "base/text.h"
#include "exchange/annual_totals.h"
#include "exchange/attendance_import.h"
#include "exchange/import_file.h"
#include "exchange/payroll_export.h"
#include "platform/paths.h"

namespace kaveltar::cli {
namespace {

int Usage(Context& ctx, const std::string& message) {
  ctx.err << "kaveltar-cli: " << message << "\n";
  return 2;
}
int Failure(Context& ctx, const std::string& message) {
  ctx.err << "kaveltar-cli: " << message << "\n";
  return 1;
}

// A company code of the command line ("1", "001") as three digits; empty when it is not one.
std::string CompanyCode(const std::string& text) {
  if (!IsDigits(text) || text.size() > 3 || ValInt(text) == 0) return "";
  return PadLeft(text, 3, '0');
}

class ImportCommand : public CommandGroup {
 public:
  ImportCommand() : CommandGroup("import", "importa un file di presenze esterno") {}

  void AddSubcommands(CLI::App& sub) override {
    check_ = sub.add_subcommand("check", "controlla il file rispetto al tracciato record");
    check_->add_option("FILE", file_, "file delle presenze")->required();
    check_->add_flag("--csv", csv_, "File presenze da File Excel (CSV)");
    run_ = sub.add_subcommand("run", "importa il file nelle presenze");
    run_->add_option("FILE", file_, "file delle presenze")->required();
    run_->add_flag("--csv", csv_, "File presenze da File Excel (CSV)");
    layout_ = sub.add_subcommand("layout", "il tracciato record del file");
  }

  int Execute(Context& ctx) override {
    if (layout_->parsed()) {
      for (const std::string& line : LayoutLines()) ctx.out << line << "\n";
      return 0;
    }
    if (check_->parsed()) return Check(ctx);
    return Run(ctx);
  }

 private:
  int Check(Context& ctx) {
    if (!FileExists(file_) || std::filesystem::is_directory(file_))
      return Failure(ctx, FileNotFoundText(file_));
    std::filesystem::path checked = file_;
    std::shared_ptr<WorkFile> work;  // removed when the command returns
    bool wrong = false;
    long skipped = -1;
    if (csv_) {
      // The conversion goes to a file of our own, so checking never touches an installation.
      Result<std::shared_ptr<WorkFile>> made =
          WorkFile::Create(std::filesystem::temp_directory_path());
      if (!made.ok()) return Failure(ctx, made.status().message());
      work = std::move(*made);
      Result<CsvConversion> converted = ConvertCsvFile(file_, work->path());
      if (!converted.ok()) return Failure(ctx, converted.status().message());
      if (converted->lines == 0 && !converted->wrong_characters)
        return Failure(ctx, NoCsvRecordsText(*converted));
      wrong = converted->wrong_characters;
      skipped = converted->skipped;
      checked = work->path();
    }
    Result<ImportChecks> checks = CONTROLLAFILEPRESENZE(checked);
    if (!checks.ok()) return Failure(ctx, FileNotFoundText(file_));
    const std::array<bool, 4> correct = {checks->values, checks->dates, checks->structure,
                                         checks->length};
    for (size_t i = 0; i < 4; ++i) {
      ctx.out << kCheckLabels[i] << " " << (correct[i] ? kCheckCorrect : kCheckWrong) << "\n";
    }
    if (skipped >= 0) ctx.out << "Righe scartate: " << skipped << "\n";
    if (checks->incomplete_employee) {
      ctx.err << kNotStandardBlocked << "\n"
              << kIncompleteEmployee << "\n"
              << kCannotContinue << "\n";
      return 1;
    }
    if (wrong) {
      ctx.err << kCsvWrongCharacters << "\n";
      return 1;
    }
    return 0;
  }

  int Run(Context& ctx) {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    ImportState state;
    state.kind = csv_ ? ImportFileKind::kCsv : ImportFileKind::kExternal;
    ChooseImportFile(session.job(), &state, file_);
    if (state.path.empty()) return 1;
    for (size_t i = 0; i < 4; ++i) ctx.out << kCheckLabels[i] << " " << state.results[i] << "\n";
    if (csv_) ctx.out << "Righe scartate: " << state.skipped_lines << "\n";
    // A CSV's work file goes with `state` on every return.
    if (!state.import_enabled) return Failure(ctx, "importazione non eseguita");
    const ImportResult result = ImportAttendanceFile(session.job(), &state);
    if (!result.completed) return Failure(ctx, "importazione non eseguita");
    ctx.out << "Mesi sostituiti: " << result.keys.size() << "\n";
    for (const std::string& key : result.keys) ctx.out << key << "\n";
    ctx.out << "Record importati: " << result.records << "\n";
    ctx.out << "Giorni scritti: " << result.days << "\n";
    ctx.out << "Anomalie: " << result.anomalies.size() << "\n";
    for (const std::string& line : result.anomalies) ctx.out << line << "\n";
    if (result.printed)
      ctx.out << "Lista delle anomalie stampata: " << session.printer().last_destination() << "\n";
    return result.anomalies.empty() ? 0 : kExitAnomalies;
  }

  CLI::App* check_ = nullptr;
  CLI::App* run_ = nullptr;
  CLI::App* layout_ = nullptr;
  std::string file_;
  bool csv_ = false;
};

class ExportCommand : public Command {
 public:
  const char* name() const override { return "export"; }
  const char* description() const override {
    return "crea i file delle voci paghe del mese per la procedura salarion";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--year", year_, "anno")->required();
    sub.add_option("--month", month_, "mese (1-12)")->required()->check(CLI::Range(1, 12));
    CLI::Option* company = sub.add_option("--company", companies_, "codice ditta (ripetibile)");
    CLI::Option* all = sub.add_flag("--all-companies", all_companies_, "Seleziona tutte le Ditte");
    company->excludes(all);
    sub.add_flag("--previous-month", previous_month_, "Presenze Mese Precedente");
  }

  int Execute(Context& ctx) override {
    if (companies_.empty() && !all_companies_)
      return Usage(ctx, "indicare --company CODICE oppure --all-companies");
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    if (const std::string error = ListYearError(session.installation().processing_year, year_);
        !error.empty()) {
      return Usage(ctx, error);
    }
    const int distance = session.installation().processing_year - year_;
    SelectionLists& lists = session.lists();
    lists.CARICAESTRAZIONE(distance);
    const std::vector<ListEntry> listed = lists.LISTA_AZIENDE(Screen::kLoad, kOrderByCode);
    ExportRequest request;
    request.year = year_;
    request.month = month_;
    request.previous_month = previous_month_;
    if (all_companies_) {
      request.companies = listed;
    } else {
      for (const std::string& c : companies_) {
        const std::string code = CompanyCode(c);
        if (code.empty()) return Usage(ctx, "codice ditta non valido: " + c);
        const ListEntry* company = FindEntry(listed, code);
        if (company == nullptr) {
          return Usage(ctx, "ditta " + code + " non presente nell'elenco dell'anno " +
                                std::to_string(year_));
        }
        request.companies.push_back(*company);
      }
    }
    const ExportResult result = CreatePayrollExport(session.job(), request);
    for (const std::filesystem::path& file : result.files) ctx.out << file.string() << "\n";
    for (const std::string& anomaly : result.anomalies) ctx.err << anomaly << "\n";
    return result.anomalies.empty() ? 0 : kExitAnomalies;
  }

 private:
  int year_ = 0;
  int month_ = 0;
  std::vector<std::string> companies_;
  bool all_companies_ = false;
  bool previous_month_ = false;
};

class TotalsCommand : public Command {
 public:
  const char* name() const override { return "totals"; }
  const char* description() const override {
    return "Calcolo del totale giorni annuale per codice giustificativo selezionato";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--company", company_, "codice ditta")->required();
    sub.add_option("--code", code_, "codice giustificativo")->required();
    sub.add_flag("--previous-year", previous_year_, "Anno Precedente");
    sub.add_flag("--print", print_, "stampa il riepilogo");
  }

  int Execute(Context& ctx) override {
    const std::string company = CompanyCode(company_);
    if (company.empty()) return Usage(ctx, "codice ditta non valido: " + company_);
    std::string code(ToUpperAscii(Trim(code_)));
    if (code.empty() || code.size() > 3)
      return Usage(ctx, "codice giustificativo non valido: " + code_);
    if (IsDigits(code)) code = PadLeft(code, 3, '0');

    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    std::string justification;
    for (const std::string& line : JustificationLines(session.db())) {
      if (Trim(Mid(line, 0, 3)) == code) justification = SelectedJustification(line);
    }
    if (justification.empty())
      return Usage(ctx, "giustificativo " + code + " non presente nella tabella GIUSTIFICATIVI");
    std::string item;
    for (const std::string& candidate : CompanyItems(session.job(), previous_year_ ? 1 : 0)) {
      if (candidate.compare(0, 3, company) == 0) item = candidate;
    }
    if (item.empty()) return Usage(ctx, "ditta " + company + " non presente nell'elenco dell'anno");

    const int year = TotalsYear(session.installation().processing_year, previous_year_);
    const AnnualTotals totals = ComputeAnnualTotals(session.db(), item, justification, year);
    for (size_t m = 0; m < 12; ++m)
      ctx.out << ZeroPad(static_cast<long long>(m + 1), 2) << ": " << totals.months[m] << "\n";
    ctx.out << "Totale: " << totals.total << "\n";
    if (print_) {
      PrintAnnualTotals(session.printer(), justification, item, previous_year_, totals);
      ctx.err << "Riepilogo stampato: " << session.printer().last_destination() << "\n";
    }
    return 0;
  }

 private:
  std::string company_;
  std::string code_;
  bool previous_year_ = false;
  bool print_ = false;
};

}  // namespace

void AddExchangeCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<ImportCommand>());
  commands.push_back(std::make_unique<ExportCommand>());
  commands.push_back(std::make_unique<TotalsCommand>());
}

}  // namespace kaveltar::cli
