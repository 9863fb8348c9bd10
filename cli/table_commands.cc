#include "cli/table_commands.h"

#include <CLI/CLI.hpp>
#include <array>
#include <ostream>
#include <string>

#include "app/session.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "tables/listing.h"
#include "tables/tables_screen.h"

namespace kaveltar::cli {
namespace {

const std::vector<std::string> kTableNames = {"holidays", "justifications", "groups"};

// How a table names one of its rows in the command's own lines.
struct RowNoun {
  const char* noun;
  const char* saved;
  const char* deleted;
};
RowNoun NounOf(TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays:
      return {"Festività", "memorizzata", "eliminata"};
    case TableKind::kJustifications:
      return {"Giustificativo", "memorizzato", "eliminato"};
    case TableKind::kGroups:
      break;
  }
  return {"Gruppo orario", "memorizzato", "eliminato"};
}

// A failure of the table or of the database: a value the boxes would refuse is bad usage
// (status 2), anything else a failed command (status 1).
int Fail(Context& ctx, const Status& status) {
  const Status::Kind kind = status.kind();
  if (kind == Status::Kind::kDbError ||
      kind == Status::Kind::kCorrupt) {  // the database engine failed
    const RunTimeError error = DatabaseError(status, {});
    ctx.err << "kaveltar-cli: errore " << error.number() << ": " << error.description() << "\n";
    return 1;
  }
  ctx.err << "kaveltar-cli: " << status.message() << "\n";
  return status.kind() == Status::Kind::kInvalid ? 2 : 1;
}

// Opens the row `code` of `form` in its panel: the stored row, unless `only_new` or there is
// none, else a new row with `code` typed into the code box and the box left.
template <class Form>
Status OpenRow(Form& form, const std::string& code, bool only_new) {
  if (Status s = form.Refresh(); !s.ok()) return s;
  if (!only_new && form.FindEntry(PadCode(code, KeyLength(form.kind()))) >= 0) {
    Result<bool> opened = form.OpenStored(code);
    return opened.ok() ? Status::Ok() : opened.status();
  }
  if (Status s = form.OpenNew(); !s.ok()) return s;
  return form.EnterText(Form::kCodeBox, code);
}

// Runs the panel's save; the refusal's message has gone through the dialogs.
int SaveRow(Context& ctx, TableForm& form, const std::string& code) {
  Result<SaveOutcome> saved = form.Save();
  if (!saved.ok()) return Fail(ctx, saved.status());
  if (*saved != SaveOutcome::kSaved) return 1;
  const RowNoun noun = NounOf(form.kind());
  ctx.out << noun.noun << " " << code << " " << noun.saved << "\n";
  return 0;
}

// "ROW,CODE[,HH:MM]" of --formula: row 1-5, formula code (may be empty), threshold (may be
// empty or missing).
bool ParseFormula(const std::string& text, int* row, std::string* code, std::string* threshold) {
  const size_t first = text.find(',');
  if (first == std::string::npos) return false;
  const size_t second = text.find(',', first + 1);
  const std::string row_text = std::string(Trim(text.substr(0, first)));
  if (row_text.size() != 1 || row_text[0] < '1' || row_text[0] > '5') return false;
  *row = row_text[0] - '1';
  *code =
      text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  *threshold = second == std::string::npos ? "" : text.substr(second + 1);
  return true;
}

class TablesCommand : public CommandGroup {
 public:
  TablesCommand()
      : CommandGroup("tables", "tabelle del programma: festività, giustificativi e gruppi orari") {}

  void AddSubcommands(CLI::App& sub) override {
    const auto table_names = CLI::IsMember(kTableNames);

    list_ = sub.add_subcommand("list", "tutte le colonne della tabella, in ordine di codice");
    list_->add_option("TABLE", table_, "holidays, justifications o groups")
        ->required()
        ->check(table_names);
    list_->add_option("--format", format_, "formato: text, csv o json")
        ->check(CLI::IsMember({"text", "csv", "json"}));

    print_ = sub.add_subcommand("print", "stampa l'elenco della tabella sulla stampante");
    print_->add_option("TABLE", table_, "holidays, justifications o groups")
        ->required()
        ->check(table_names);

    delete_ = sub.add_subcommand(
        "delete", "elimina una riga con le regole della tabella (conferma con --yes / --no)");
    delete_->add_option("TABLE", table_, "holidays, justifications o groups")
        ->required()
        ->check(table_names);
    delete_->add_option("CODE", code_, "codice della riga")->required();

    CLI::App* save = sub.add_subcommand(
        "save", "memorizza una riga (nuova o esistente) con i controlli del pannello");
    save->require_subcommand(1);

    save_holidays_ = save->add_subcommand("holidays", "una festività (codice MMGG)");
    save_holidays_->add_option("CODE", code_, "mese e giorno, MMGG")->required();
    description_opt_[0] = save_holidays_->add_option("--description", description_, "descrizione");
    save_holidays_->add_flag("--new", only_new_, "solo nuova: rifiutata se il codice esiste");

    save_justifications_ = save->add_subcommand("justifications", "un giustificativo");
    CLI::App* j = save_justifications_;
    j->add_option("CODE", code_, "codice di 3 cifre")->required();
    description_opt_[1] = j->add_option("--description", description_, "descrizione");
    import_code_opt_ =
        j->add_option("--import-code", import_code_, "Cod.Giustificativo (File Import)");
    type_opt_ = j->add_option("--type", type_,
                              "tipologia: P presenza, A assenza, N neutro, M malattia/infort./"
                              "maternità (sceglierla toglie la spunta degli straordinari)");
    overtime_opt_ = j->add_flag("--overtime,!--no-overtime", overtime_,
                                "Compatibile con Straordinari (solo per la presenza)");
    sr18_opt_ = j->add_option("--sr18", sr18_,
                              "Cod.Giustificativo per Mod.SR18 (ML, I, F, MT, S, P, C, D, CM, V; "
                              "vuoto per nessuno)");
    uniemens_opt_ = j->add_option("--uniemens", uniemens_,
                                  "Tipo Evento UNIEMENS (due caratteri; 00 o vuoto per nessuno)");
    ticket_opt_ = j->add_option("--ticket", ticket_, "Numero Autorizzazione Ticket CIG (1-10)");
    j->add_option("--formula", formulas_,
                  "riga formula: RIGA,CODICE[,HH:MM] (riga 1-5; codice e soglia vuoti tolgono la "
                  "riga); ripetibile, nell'ordine dato");
    j->add_flag("--new", only_new_, "solo nuovo: rifiutato se il codice esiste");

    save_groups_ = save->add_subcommand("groups", "un gruppo orario");
    save_groups_->add_option("CODE", code_, "codice di 3 cifre")->required();
    description_opt_[2] = save_groups_->add_option("--description", description_, "descrizione");
    static constexpr std::array<const char*, 7> kDays = {
        "--monday", "--tuesday", "--wednesday", "--thursday", "--friday", "--saturday", "--sunday"};
    for (size_t d = 0; d < kDays.size(); ++d) {
      hours_opt_[d] = save_groups_->add_option(kDays[d], hours_[d],
                                               std::string(kGroupDayCaptions[d]) + " (HH:MM)");
    }
    save_groups_->add_flag("--new", only_new_, "solo nuovo: rifiutato se il codice esiste");
  }

  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    FormulaArchive formulas(session.archives(), session.codec());
    TablesScreen screen(session.db(), ctx.dialogs, formulas);

    if (list_->parsed()) return List(ctx, session);
    if (print_->parsed()) return Print(ctx, session);
    if (delete_->parsed()) return Delete(ctx, screen);
    if (save_holidays_->parsed()) return SaveHoliday(ctx, screen.holidays());
    if (save_justifications_->parsed()) return SaveJustification(ctx, screen.justifications());
    return SaveGroup(ctx, screen.groups());
  }

 private:
  TableKind Kind() const { return *ParseTableName(table_); }

  int List(Context& ctx, Session& session) {
    Result<TableData> data = ReadTableData(session.db(), Kind());
    if (!data.ok()) return Fail(ctx, data.status());
    ctx.out << FormatTable(*data, *ParseTableFormat(format_));
    return 0;
  }

  int Print(Context& ctx, Session& session) {
    Result<std::vector<std::string>> lines = ReadTableListing(session.db(), Kind());
    if (!lines.ok()) return Fail(ctx, lines.status());
    PrinterJob& printer = session.printer();
    PrintTableListing(printer, Kind(), *lines);
    if (printer.last_destination().empty()) {
      ctx.err << "kaveltar-cli: l'elenco non è stato stampato\n";
      return 1;
    }
    ctx.out << kPrintFinishedMessage << ": " << printer.last_destination() << "\n";
    return 0;
  }

  int Delete(Context& ctx, TablesScreen& screen) {
    const TableKind kind = Kind();
    Result<DeleteOutcome> outcome = screen.form(kind).DeleteCode(code_);
    if (!outcome.ok()) return Fail(ctx, outcome.status());
    switch (*outcome) {
      case DeleteOutcome::kDeleted: {
        const RowNoun noun = NounOf(kind);
        ctx.out << noun.noun << " " << PadCode(code_, KeyLength(kind)) << " " << noun.deleted
                << "\n";
        return 0;
      }
      case DeleteOutcome::kDeclined:
        ctx.err << "kaveltar-cli: eliminazione non eseguita\n";
        return 1;
      case DeleteOutcome::kRefused:
      case DeleteOutcome::kNotFound:
      case DeleteOutcome::kNoSelection:
        break;
    }
    return 1;
  }

  int SaveHoliday(Context& ctx, HolidayForm& form) {
    if (Status s = OpenRow(form, code_, only_new_); !s.ok()) return Fail(ctx, s);
    if (description_opt_[0]->count() > 0) {
      if (Status s = form.EnterText(HolidayForm::kDescriptionBox, description_); !s.ok()) {
        return Fail(ctx, s);
      }
    }
    return SaveRow(ctx, form, std::string(Trim(form.boxes().text[HolidayForm::kCodeBox])));
  }

  int SaveJustification(Context& ctx, JustificationForm& form) {
    if (Status s = OpenRow(form, code_, only_new_); !s.ok()) return Fail(ctx, s);
    // In the order an operator fills the panel: the type before the overtime box it resets.
    std::vector<std::function<Status()>> steps;
    if (description_opt_[1]->count() > 0) {
      steps.push_back(
          [&] { return form.EnterText(JustificationForm::kDescriptionBox, description_); });
    }
    if (import_code_opt_->count() > 0) {
      steps.push_back(
          [&] { return form.EnterText(JustificationForm::kImportCodeBox, import_code_); });
    }
    if (type_opt_->count() > 0) steps.push_back([&] { return form.SetType(type_); });
    if (overtime_opt_->count() > 0) steps.push_back([&] { return form.SetOvertime(overtime_); });
    if (sr18_opt_->count() > 0) steps.push_back([&] { return form.SetSr18(sr18_); });
    if (uniemens_opt_->count() > 0) steps.push_back([&] { return form.SetUniemens(uniemens_); });
    if (ticket_opt_->count() > 0) {
      steps.push_back([&] { return form.EnterText(JustificationForm::kTicketBox, ticket_); });
    }
    for (const std::string& text : formulas_) {
      steps.push_back([&form, &text] {
        int row = 0;
        std::string code, threshold;
        if (!ParseFormula(text, &row, &code, &threshold)) {
          return Status::Invalid("riga formula non valida: " + text +
                                 " (formato RIGA,CODICE[,HH:MM], riga da 1 a 5)");
        }
        return form.SetFormulaRow(row, code, threshold);
      });
    }
    for (const auto& step : steps) {
      if (Status s = step(); !s.ok()) return Fail(ctx, s);
    }
    return SaveRow(ctx, form, std::string(Trim(form.boxes().code)));
  }

  int SaveGroup(Context& ctx, GroupForm& form) {
    if (Status s = OpenRow(form, code_, only_new_); !s.ok()) return Fail(ctx, s);
    if (description_opt_[2]->count() > 0) {
      if (Status s = form.EnterText(GroupForm::kDescriptionBox, description_); !s.ok()) {
        return Fail(ctx, s);
      }
    }
    for (size_t d = 0; d < hours_.size(); ++d) {
      if (hours_opt_[d]->count() == 0) continue;
      const int box = GroupForm::kFirstHoursBox + static_cast<int>(d);
      if (Status s = form.EnterText(box, hours_[d]); !s.ok()) return Fail(ctx, s);
    }
    return SaveRow(ctx, form, std::string(Trim(form.boxes().text[GroupForm::kCodeBox])));
  }

  CLI::App* list_ = nullptr;
  CLI::App* print_ = nullptr;
  CLI::App* delete_ = nullptr;
  CLI::App* save_holidays_ = nullptr;
  CLI::App* save_justifications_ = nullptr;
  CLI::App* save_groups_ = nullptr;

  std::string table_;
  std::string format_ = "text";
  std::string code_;
  bool only_new_ = false;
  std::string description_;
  std::array<CLI::Option*, 3> description_opt_{};
  std::string import_code_;
  CLI::Option* import_code_opt_ = nullptr;
  std::string type_;
  CLI::Option* type_opt_ = nullptr;
  bool overtime_ = false;
  CLI::Option* overtime_opt_ = nullptr;
  std::string sr18_;
  CLI::Option* sr18_opt_ = nullptr;
  std::string uniemens_;
  CLI::Option* uniemens_opt_ = nullptr;
  std::string ticket_;
  CLI::Option* ticket_opt_ = nullptr;
  std::vector<std::string> formulas_;
  std::array<std::string, 7> hours_;
  std::array<CLI::Option*, 7> hours_opt_{};
};

}  // namespace

void AddTableCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<TablesCommand>());
}

}  // namespace kaveltar::cli
