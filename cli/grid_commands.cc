#include "cli/grid_commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "app/session.h"
#include "base/dates.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "editing/grid_opening.h"
#include "editing/month_grid.h"
#include "memorize/forced_settings.h"
#include "tables/listing.h"

namespace kaveltar::cli {
namespace {

int Usage(Context& ctx, const std::string& message) {
  ctx.err << "kaveltar-cli: " << message << "\n";
  return 2;
}

// The employee and the month of every sub-command.
struct MonthArgs {
  std::string key;
  std::string period;  // YYYYMM
  int year = 0;
  int month = 0;

  void Configure(CLI::App& sub) {
    sub.add_option("KEY", key, "codice dipendente di 10 caratteri")->required();
    sub.add_option("YYYYMM", period, "mese come AAAAMM")->required();
  }
  // Checks the two; false after the usage message.
  bool Check(Context& ctx) {
    key = std::string(Trim(key));
    if (key.empty() || key.size() > 10) {
      Usage(ctx, "codice dipendente non valido: " + key);
      return false;
    }
    if (period.size() != 6 || !IsDigits(period) || ValInt(period.substr(4)) < 1 ||
        ValInt(period.substr(4)) > 12) {
      Usage(ctx, "mese non valido: " + period + " (formato AAAAMM)");
      return false;
    }
    year = static_cast<int>(ValInt(period.substr(0, 4)));
    month = static_cast<int>(ValInt(period.substr(4)));
    return true;
  }
  int days() const { return MonthLength(month, year); }
  ForcedMonth Target() const { return {key, year, month, key}; }
};

// --from / --to of the forced settings.
struct DayRange {
  int from = 0;
  int to = 0;
  void Configure(CLI::App& sub) {
    sub.add_option("--from", from, "primo giorno (Dal Giorno)")->required();
    sub.add_option("--to", to, "ultimo giorno (Al Giorno)")->required();
  }
  bool Check(Context& ctx, int days) const {
    if (from < 1 || from > days || to < 1 || to > days) {
      Usage(ctx, "giorni non validi: dal " + std::to_string(from) + " al " + std::to_string(to) +
                     " (da 1 a " + std::to_string(days) + ")");
      return false;
    }
    if (to < from) {
      Usage(ctx, std::string(kDayOrderMessage));
      return false;
    }
    return true;
  }
};

// The outcome of a forced setting as an exit status, with the days written on standard output.
int Report(Context& ctx, const ForcedOutcome& outcome) {
  switch (outcome.result) {
    case ForcedResult::kDone:
      ctx.out << "Giorni scritti: " << outcome.days << "\n";
      return 0;
    case ForcedResult::kDeclined:
      ctx.err << "kaveltar-cli: operazione annullata\n";
      return 1;
    case ForcedResult::kInvalidHours:
    case ForcedResult::kEmployeeNotFound:
      return 1;  // the message has been shown
  }
  return 1;
}

// A code of three characters: letters in upper case, a shorter code padded with "0".
std::string Code3(std::string_view text) {
  std::string code = ToUpperAscii(Trim(text));
  if (!code.empty() && code.size() < 3) code = PadLeft(code, 3, '0');
  return code;
}

class MonthGroupCommand : public Command {
 public:
  explicit MonthGroupCommand(std::unique_ptr<Command> show) : show_(std::move(show)) {}

  const char* name() const override { return "month"; }
  const char* description() const override {
    return "un mese di un dipendente: stampa (show), modifica dei giorni (edit), assenze, gruppo e "
           "ore "
           "imposti (set-absence, set-group, set-hours), rielaborazione (reprocess)";
  }

  void Configure(CLI::App& sub) override {
    sub.require_subcommand(0, 1);
    if (show_) {
      // `month KEY YYYYMM` keeps working: the print command's options on `month` itself, with
      // its positionals optional there so that a sub-command name can stand in their place.
      show_->Configure(sub);
      for (CLI::Option* option :
           sub.get_options([](CLI::Option* o) { return o->get_positional(); })) {
        option->required(false);
      }
      show_app_ = sub.add_subcommand("show", show_->description());
      show_->Configure(*show_app_);
    }

    edit_ = sub.add_subcommand(
        "edit",
        "valori nelle colonne 2-14 della griglia di un giorno, con le regole della "
        "griglia, poi salvati");
    edit_args_.Configure(*edit_);
    edit_->add_option("DAY", edit_day_, "giorno del mese")->required();
    edit_
        ->add_option("COLUMN VALUE", edit_values_,
                     "coppie colonna (2-14) e valore; \"000\" azzera un codice, \"\" azzera le ore")
        ->required();
    edit_->add_option("--format", edit_format_, "formato del giorno stampato: text, csv o json")
        ->check(CLI::IsMember({"text", "csv", "json"}));

    absence_ = sub.add_subcommand("set-absence",
                                  "Assegna Assenza: un giustificativo su un intervallo di giorni");
    absence_args_.Configure(*absence_);
    absence_->add_option("--code", absence_setting_.code, "codice giustificativo")->required();
    absence_range_.Configure(*absence_);
    absence_->add_option("--hours", absence_setting_.hours,
                         "ore HH:MM (00:00 = l'orario del giorno)");
    absence_->add_flag("--copri-festivita", absence_setting_.cover_holidays,
                       "Copri le festività presenti nel mese");
    absence_->add_flag("--considera-ore", absence_setting_.consider_worked_hours,
                       "Considera le ore lavorate nella giornata");

    group_ = sub.add_subcommand("set-group", "Imposta Gruppo Orario su un intervallo di giorni");
    group_args_.Configure(*group_);
    group_->add_option("--group", group_code_, "codice gruppo orario")->required();
    group_range_.Configure(*group_);

    hours_ = sub.add_subcommand("set-hours", "Imposta Ore Lavorative su un intervallo di giorni");
    hours_args_.Configure(*hours_);
    hours_->add_option("--hours", hours_value_, "ore e minuti lavorati HH:MM")->required();
    hours_range_.Configure(*hours_);

    reprocess_ = sub.add_subcommand(
        "reprocess", "rielabora il mese dal gruppo orario o dal profilo del dipendente");
    reprocess_args_.Configure(*reprocess_);
  }

  int Execute(Context& ctx) override {
    if (edit_->parsed()) return Edit(ctx);
    if (absence_->parsed()) return SetAbsence(ctx);
    if (group_->parsed()) return SetGroup(ctx);
    if (hours_->parsed()) return SetHours(ctx);
    if (reprocess_->parsed()) return Reprocess(ctx);
    if (!show_) return Usage(ctx, "indicare un sotto-comando di month (--help per l'elenco)");
    return show_->Execute(ctx);
  }

 private:
  int Edit(Context& ctx) {
    if (!edit_args_.Check(ctx)) return 2;
    if (edit_day_ < 1 || edit_day_ > edit_args_.days()) {
      return Usage(ctx, "giorno non valido: " + std::to_string(edit_day_) + " (da 1 a " +
                            std::to_string(edit_args_.days()) + ")");
    }
    if (edit_values_.size() % 2 != 0)
      return Usage(ctx, "ogni colonna vuole il suo valore (COLONNA VALORE ...)");
    std::vector<std::pair<int, std::string>> values;
    for (size_t i = 0; i < edit_values_.size(); i += 2) {
      const std::string& column = edit_values_[i];
      if (!IsDigits(column) || column.size() > 2 || ValInt(column) < grid::kGroup ||
          ValInt(column) > grid::HoursColumn(grid::kSlots)) {
        return Usage(ctx, "colonna non valida: " + column + " (da 2 a 14, come nella griglia)");
      }
      values.emplace_back(static_cast<int>(ValInt(column)), edit_values_[i + 1]);
    }

    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    if (!MonthGrid::MonthExists(session.db(), edit_args_.key, edit_args_.period)) {
      ctx.dialogs.Show(MissingPeriodMessage(edit_args_.year, edit_args_.month),
                       MessageIcon::kInformation);
      return 1;
    }
    MonthGrid grid(session.db(), ctx.dialogs);
    grid.Load(EmployeeGridMonth(session.job(), edit_args_.key, edit_args_.year, edit_args_.month));
    bool refused = false;
    for (const auto& [column, value] : values) {
      switch (grid.SetCell(edit_day_, column, value)) {
        case MonthGrid::SetResult::kApplied:
          break;
        case MonthGrid::SetResult::kNotInList:
          ctx.err << "kaveltar-cli: "
                  << (column == grid::kGroup ? "gruppo orario " : "giustificativo ") << value
                  << " non presente nella "
                  << (column == grid::kGroup ? kGroupListHeading : kJustificationListHeading)
                  << "\n";
          refused = true;
          break;
        case MonthGrid::SetResult::kRefused:
        case MonthGrid::SetResult::kNotEditable:
          refused = true;
          break;
      }
    }
    if (grid.modified()) grid.Save();

    // The day as the grid shows it now.
    TableData table;
    for (const GridColumnLayout& c : GridColumnLayouts()) table.columns.emplace_back(c.heading);
    std::vector<std::string> row;
    for (int c = 0; c < grid::kCheck; ++c) row.push_back(grid.Text(edit_day_, c));
    row.emplace_back(grid.Day(edit_day_).complete ? "✔" : "✘");
    table.rows.push_back(std::move(row));
    ctx.out << FormatTable(table, *ParseTableFormat(edit_format_));
    return refused ? 1 : 0;
  }

  int SetAbsence(Context& ctx) {
    if (!absence_args_.Check(ctx) || !absence_range_.Check(ctx, absence_args_.days())) return 2;
    AbsenceSetting setting = absence_setting_;
    setting.code = Code3(absence_setting_.code);
    setting.from_day = absence_range_.from;
    setting.to_day = absence_range_.to;
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    // `ComboAss` offers the rows of GIUSTIFICATIVI only.
    Result<std::optional<JustificationRow>> found = session.db().FindJustification(setting.code);
    if (!found.ok()) ThrowDatabaseError(found.status(), "GIUSTIFICATIVI");
    if (!*found)
      return Usage(ctx,
                   "giustificativo " + setting.code + " non presente nella tabella GIUSTIFICATIVI");
    if (!AskForcedSetting(ctx.dialogs, ForcedSetting::kAbsence))
      return Report(ctx, {ForcedResult::kDeclined, 0});
    return Report(ctx, ASSEGNA_ASSENZA_GIORNI(session.job(), absence_args_.Target(), setting));
  }

  int SetGroup(Context& ctx) {
    if (!group_args_.Check(ctx) || !group_range_.Check(ctx, group_args_.days())) return 2;
    const std::string code = Code3(group_code_);
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    // `Combo1` offers the rows of GRUPPI only.
    Result<std::optional<GroupRow>> found = session.db().FindGroup(code);
    if (!found.ok()) ThrowDatabaseError(found.status(), "GRUPPI");
    if (!*found) return Usage(ctx, "gruppo orario " + code + " non presente nella tabella GRUPPI");
    if (!AskForcedSetting(ctx.dialogs, ForcedSetting::kGroup))
      return Report(ctx, {ForcedResult::kDeclined, 0});
    return Report(ctx, IMPOSTAGRUPPO(session.job(), group_args_.Target(), code, group_range_.from,
                                     group_range_.to));
  }

  int SetHours(Context& ctx) {
    if (!hours_args_.Check(ctx) || !hours_range_.Check(ctx, hours_args_.days())) return 2;
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    if (!AskForcedSetting(ctx.dialogs, ForcedSetting::kWorkedHours))
      return Report(ctx, {ForcedResult::kDeclined, 0});
    return Report(ctx, IMPOSTAORELAV(session.job(), hours_args_.Target(), hours_value_,
                                     hours_range_.from, hours_range_.to));
  }

  int Reprocess(Context& ctx) {
    if (!reprocess_args_.Check(ctx)) return 2;
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    return Report(ctx, cmdReimposta(session.job(), reprocess_args_.Target()));
  }

  std::unique_ptr<Command> show_;
  CLI::App* show_app_ = nullptr;

  CLI::App* edit_ = nullptr;
  MonthArgs edit_args_;
  int edit_day_ = 0;
  std::vector<std::string> edit_values_;
  std::string edit_format_ = "text";

  CLI::App* absence_ = nullptr;
  AbsenceSetting absence_setting_;
  MonthArgs absence_args_;
  DayRange absence_range_;

  CLI::App* group_ = nullptr;
  MonthArgs group_args_;
  std::string group_code_;
  DayRange group_range_;

  CLI::App* hours_ = nullptr;
  MonthArgs hours_args_;
  std::string hours_value_;
  DayRange hours_range_;

  CLI::App* reprocess_ = nullptr;
  MonthArgs reprocess_args_;
};

}  // namespace

void AddGridCommands(std::vector<std::unique_ptr<Command>>& commands) {
  std::unique_ptr<Command> show;
  const auto it = std::find_if(
      commands.begin(), commands.end(),
      [](const std::unique_ptr<Command>& c) { return std::string_view(c->name()) == "month"; });
  if (it != commands.end()) {
    show = std::move(*it);
    commands.erase(it);
  }
  commands.push_back(std::make_unique<MonthGroupCommand>(std::move(show)));
}

}  // namespace kaveltar::cli
