#include "cli/memorize_commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <ostream>

#include "app/session.h"
#include "archive/selection_lists.h"
#include "base/dates.h"
#include "base/encoding.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "memorize/memorization.h"
#include "tables/listing.h"

namespace kaveltar::cli {
namespace {

// A bar on one line of standard error, redrawn in place: at most ten times a second and at
// every whole percent.
class ProgressBar {
 public:
  ProgressBar(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

  void Update(size_t index, size_t total, std::string_view key) {
    if (!enabled_ || total == 0) return;
    const auto now = std::chrono::steady_clock::now();
    const int percent = static_cast<int>(index * 100 / total);
    if (shown_ && percent == percent_ && now - last_ < std::chrono::milliseconds(100)) return;
    percent_ = percent;
    last_ = now;
    line_.assign("\rMemorizzazione [");
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    line_.append(static_cast<size_t>(filled), '#')
        .append(static_cast<size_t>(kWidth - filled), '.');
    line_.append("] ").append(std::to_string(percent)).append("%  dipendente ").append(key);
    line_.append("  restano ").append(std::to_string(total - index)).append("\033[K");
    err_ << line_ << std::flush;
    shown_ = true;
  }
  // Clears the bar so a message can be written on its line; the next Update draws it again.
  void Clear() {
    if (!shown_) return;
    err_ << "\r\033[K";
    shown_ = false;
  }

 private:
  std::ostream& err_;
  bool enabled_;
  bool shown_ = false;
  int percent_ = -1;
  std::chrono::steady_clock::time_point last_;
  std::string line_;
};

// "CODE:FROM:TO[:HH:MM]" of --absence.
bool ParseAbsence(const std::string& text, LongPeriodRow* row, bool* with_hours,
                  std::string* error) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t colon = text.find(':'); colon != std::string::npos; colon = text.find(':', start)) {
    parts.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  parts.push_back(text.substr(start));
  if (parts.size() != 3 && parts.size() != 5) {
    *error = "assenza non valida: " + text + " (formato CODICE:DAL:AL oppure CODICE:DAL:AL:HH:MM)";
    return false;
  }
  const std::string code = ToUpperAscii(Trim(parts[0]));
  if (code.empty() || code.size() > 3) {
    *error = "codice giustificativo non valido: " + parts[0];
    return false;
  }
  if (!IsDigits(parts[1]) || !IsDigits(parts[2]) || parts[1].size() > 2 || parts[2].size() > 2 ||
      ValInt(parts[1]) == 0 || ValInt(parts[2]) == 0) {
    *error = "giorni non validi nell'assenza " + text + " (da 1 a 31)";
    return false;
  }
  row->code = IsDigits(code) ? PadLeft(code, 3, '0') : code;
  row->from_day = static_cast<int>(ValInt(parts[1]));
  row->to_day = static_cast<int>(ValInt(parts[2]));
  row->hours = "00:00";
  *with_hours = false;
  if (parts.size() == 5) {
    const std::string hours = parts[3] + ":" + parts[4];
    if (hours.size() != 5 || !IsValidHours(hours)) {
      *error = "ore non valide nell'assenza " + text + " (formato HH:MM)";
      return false;
    }
    row->hours = hours;
    *with_hours = true;
  }
  return true;
}

class MemorizeCommand : public Command {
 public:
  const char* name() const override { return "memorize"; }
  const char* description() const override {
    return "memorizza le presenze del mese per le ditte e i dipendenti scelti";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--year", year_, "anno da memorizzare")->required();
    sub.add_option("--month", month_, "mese da memorizzare (1-12)")
        ->required()
        ->check(CLI::Range(1, 12));
    CLI::Option* company = sub.add_option("--company", companies_, "codice ditta (ripetibile)");
    CLI::Option* all =
        sub.add_flag("--all-companies", all_companies_, "tutte le ditte dell'elenco");
    company->excludes(all);
    sub.add_option(
        "--employee", employees_,
        "codice dipendente di 10 caratteri (ripetibile; senza: tutti i dipendenti delle ditte)");
    sub.add_flag("--rielabora", rielabora_, "Rielabora Periodo se Esistente");
    sub.add_flag("--copri-festivita", copri_festivita_, "Copri le festività presenti nel periodo");
    sub.add_flag("--considera-ore", considera_ore_,
                 "Considera le ore lavorate presenti nella giornata");
    sub.add_option(
        "--absence", absences_,
        "giustificativo di assenza per lungo periodo CODICE:DAL:AL[:HH:MM] (fino a tre)");
  }

  int Execute(Context& ctx) override {
    if (companies_.empty() && !all_companies_)
      return Usage(ctx, "indicare --company CODICE oppure --all-companies");
    MemorizeOptions options;
    if (std::string error = ReadOptions(&options); !error.empty()) return Usage(ctx, error);

    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    if (const std::string error = ListYearError(session.installation().processing_year, year_);
        !error.empty()) {
      return Usage(ctx, error);
    }
    for (const LongPeriodRow& row : options.day.rows) {
      if (row.code.empty()) continue;
      auto found = session.db().FindJustification(row.code);
      if (!found.ok()) ThrowDatabaseError(found.status(), "GIUSTIFICATIVI");
      if (!*found)
        return Usage(ctx,
                     "giustificativo " + row.code + " non presente nella tabella GIUSTIFICATIVI");
    }
    std::vector<std::string> entries;
    if (const int status = ChooseEmployees(ctx, session, &entries); status != 0) return status;
    return MemorizeAndReport(ctx, session, options, entries);
  }

 private:
  // The options of the run from the command line; the refusal's text when they are wrong.
  std::string ReadOptions(MemorizeOptions* options) const {
    if (absences_.size() > static_cast<size_t>(kLongPeriodRows))
      return "al massimo tre assenze per lungo periodo";
    options->year = year_;
    options->month = month_;
    options->rewrite_existing = rielabora_;
    options->day.cover_holidays = copri_festivita_;
    options->day.consider_worked_hours = considera_ore_;
    for (size_t i = 0; i < absences_.size(); ++i) {
      bool with_hours = false;
      std::string error;
      if (!ParseAbsence(absences_[i], &options->day.rows[i], &with_hours, &error)) return error;
      // One tick makes typed hours count; rows typed without hours then cover the whole day.
      options->day.use_typed_hours = options->day.use_typed_hours || with_hours;
    }
    if (Status s = CheckMemorizeOptions(*options); !s.ok()) return s.message();
    return {};
  }

  // The keys of the employees as the memorization screen lists them for the year, of the chosen
  // companies, narrowed to --employee when given. 0 when there is someone to memorize,
  // else the exit status after the message.
  int ChooseEmployees(Context& ctx, Session& session, std::vector<std::string>* entries) const {
    SelectionLists& lists = session.lists();
    lists.CARICAESTRAZIONE(session.installation().processing_year - year_);
    const std::vector<ListEntry> listed = lists.LISTA_AZIENDE(Screen::kMemorize, kOrderByCode);
    std::vector<std::string> chosen;  // company codes
    if (all_companies_) {
      chosen = EntryCodes(listed);
    } else {
      for (const std::string& c : companies_) {
        if (!IsDigits(c) || c.size() > 3 || ValInt(c) == 0)
          return Usage(ctx, "codice ditta non valido: " + c);
        const std::string code = PadLeft(c, 3, '0');
        if (FindEntry(listed, code) == nullptr)
          return Failure(ctx, "ditta " + code + " non presente nell'elenco dell'anno " +
                                  std::to_string(year_));
        chosen.push_back(code);
      }
    }
    MemorizeSelection selection;
    for (const std::string& code : chosen) {
      selection.AddAll(lists.EmployeeList(Screen::kMemorize, kOrderByCode, year_, code));
    }
    if (employees_.empty()) {
      *entries = EntryCodes(selection.entries());
    } else {
      // In the order of the list, as the screen's selection would hold them.
      std::string missing;
      *entries = PickEmployees(selection.entries(), employees_, &missing);
      if (!missing.empty()) {
        ctx.err << "kaveltar-cli: dipendente " << missing
                << " non presente nell'elenco della memorizzazione delle ditte scelte (anno "
                << year_ << ")\n";
        return 1;
      }
    }
    if (entries->empty()) {
      ctx.err << "kaveltar-cli: " << kNoEmployeeSelected << "\n";
      return 1;
    }
    return 0;
  }

  // Runs the memorization with a progress bar and the anomalies on standard error, then
  // prints the totals.
  int MemorizeAndReport(Context& ctx, Session& session, const MemorizeOptions& options,
                        const std::vector<std::string>& entries) const {
    const bool terminal = ::isatty(STDERR_FILENO) != 0 && ctx.err.rdbuf() == std::cerr.rdbuf();
    ProgressBar bar(ctx.err, terminal);
    MemorizationHooks hooks;
    hooks.progress = [&](size_t index, size_t total, std::string_view key) {
      bar.Update(index, total, key);
    };
    hooks.anomaly = [&](std::string_view line) {
      bar.Clear();
      ctx.err << line << "\n";
    };
    const MemorizationResult result = RunMemorization(session.job(), options, entries, hooks);
    bar.Clear();

    ctx.out << MemorizationSummary(result, year_, month_, session.printer().last_destination());
    return result.totals.anomalies > 0 ? kExitAnomalies : 0;
  }

  static int Usage(Context& ctx, const std::string& message) {
    ctx.err << "kaveltar-cli: " << message << "\n";
    return 2;
  }
  static int Failure(Context& ctx, const std::string& message) {
    ctx.err << "kaveltar-cli: " << message << "\n";
    return 1;
  }

  int year_ = 0;
  int month_ = 0;
  std::vector<std::string> companies_;
  bool all_companies_ = false;
  std::vector<std::string> employees_;
  bool rielabora_ = false;
  bool copri_festivita_ = false;
  bool considera_ore_ = false;
  std::vector<std::string> absences_;
};

// True when the employee archive of `year` (or, for a year without archive, of the nearest
// year that has one) holds the key.
bool KnownEmployee(Session& session, const std::string& key, int year) {
  const int oldest = OldestListYear(session.installation().processing_year);
  return session.lists().LoadEmployee(
      std::clamp(year, oldest, session.installation().processing_year), PadRight(key, 10));
}

class MonthCommand : public Command {
 public:
  const char* name() const override { return "month"; }
  const char* description() const override {
    return "i giorni memorizzati di un dipendente in un mese";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("KEY", key_, "codice dipendente di 10 caratteri")->required();
    sub.add_option("MONTH", month_, "mese come AAAAMM")->required();
    sub.add_option("--format", format_, "formato: text, csv o json")
        ->check(CLI::IsMember({"text", "csv", "json"}));
  }
  int Execute(Context& ctx) override {
    const std::string key(Trim(key_));
    if (key.empty() || key.size() > 10) {
      ctx.err << "kaveltar-cli: codice dipendente non valido: " << key_ << "\n";
      return 2;
    }
    if (month_.size() != 6 || !IsDigits(month_) || ValInt(month_.substr(4)) < 1 ||
        ValInt(month_.substr(4)) > 12) {
      ctx.err << "kaveltar-cli: mese non valido: " << month_ << " (formato AAAAMM)\n";
      return 2;
    }
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    std::vector<DayRow> rows;
    if (Status s = session.db().EmployeeMonth(key, month_, &rows); !s.ok())
      ThrowDatabaseError(s, "PRESENZE");
    // No stored day: an employee the archives do not know is an error, one of theirs has
    // simply no month stored yet.
    if (rows.empty() &&
        !KnownEmployee(session, key, static_cast<int>(ValInt(month_.substr(0, 4))))) {
      ctx.err << "kaveltar-cli: dipendente " << key
              << " non trovato negli archivi dei dipendenti\n";
      return 1;
    }
    TableData table;
    table.columns = {"KDIPENDENTE", "KPERIODO"};
    for (int n = 0; n <= 23; ++n) table.columns.push_back("PRES_" + std::to_string(n));
    table.columns.push_back("PROTOCOLLO");
    for (const DayRow& row : rows) {
      std::vector<std::string> values = {row.employee, row.period, std::to_string(row.pres0)};
      for (int n = 1; n <= 23; ++n) values.push_back(row.pres[static_cast<size_t>(n)]);
      values.push_back(std::to_string(row.protocollo));
      table.rows.push_back(std::move(values));
    }
    ctx.out << FormatTable(table, *ParseTableFormat(format_));
    return 0;
  }

 private:
  std::string key_;
  std::string month_;
  std::string format_ = "text";
};

}  // namespace

void AddMemorizeCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<MemorizeCommand>());
  commands.push_back(std::make_unique<MonthCommand>());
}

}  // namespace kaveltar::cli
