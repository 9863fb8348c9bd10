#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/session.h"
#include "app/startup.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/fatal.h"
#include "base/text.h"
#include "cli/config_commands.h"
#include "cli/db_commands.h"
#include "cli/exchange_commands.h"
#include "cli/grid_commands.h"
#include "cli/memorize_commands.h"
#include "cli/migrate_commands.h"
#include "cli/print_commands.h"
#include "cli/table_commands.h"
#include "demo/demo_installation.h"
#include "pdf/test_page.h"
#include "platform/printer.h"
#include "printing/sheet_printing.h"
#include "reports/print_test_page.h"

namespace kaveltar::cli {
namespace {

// Every descriptor the program names, so fields can be asked for by code ("P013") as well.
const std::vector<std::string_view>& KnownDescriptors() {
  using namespace fields;
  static const std::vector<std::string_view> all = {kT001,
                                                    kT002,
                                                    kT003,
                                                    kT007,
                                                    kT030,
                                                    kT364,
                                                    kT466,
                                                    kP001,
                                                    kP002,
                                                    kP003,
                                                    kP004,
                                                    kP013,
                                                    kP017,
                                                    kP054,
                                                    kP102,
                                                    kP138,
                                                    kP447,
                                                    kP529,
                                                    kP766,
                                                    kP767,
                                                    kP768,
                                                    kP772,
                                                    kP773,
                                                    kP774,
                                                    kP775,
                                                    kP776,
                                                    kP777,
                                                    kP890,
                                                    kP977,
                                                    kProfileDays[0],
                                                    kProfileDays[1],
                                                    kProfileDays[2],
                                                    kProfileDays[3],
                                                    kProfileDays[4],
                                                    kProfileDays[5],
                                                    kProfileDays[6],
                                                    kF161,
                                                    kF357,
                                                    kF416,
                                                    kF419,
                                                    kZ001,
                                                    kZ002,
                                                    kZ003};
  return all;
}

// A full descriptor as given, or the known descriptor whose field code is `text`.
std::string ResolveDescriptor(const std::string& text) {
  if (text.size() > 16 && text[5] == ',') return text;
  const std::string code = ToUpperAscii(text);
  for (std::string_view d : KnownDescriptors()) {
    if (d.substr(d.rfind(',') + 1) == code) return std::string(d);
  }
  throw Fatal("Campo sconosciuto: " + text +
                  " (indicare il descrittore completo, es. "
                  "DIPX$,04209,08,D,0,P013)",
              "KAVELTAR", MessageIcon::kExclamation);
}

// Prints the requested fields of a record, or every known field of its repository.
void PrintFields(Session& session, const Context& ctx, std::string_view repository,
                 const std::vector<std::string>& requested) {
  std::vector<std::string> descriptors;
  for (const auto& r : requested) descriptors.push_back(ResolveDescriptor(r));
  if (descriptors.empty()) {
    for (std::string_view d : KnownDescriptors()) {
      if (d.substr(0, 5) == repository) descriptors.emplace_back(d);
    }
  }
  for (const auto& d : descriptors) {
    if (d.substr(0, 5) != repository) {
      throw Fatal("Il campo " + d + " non appartiene all'archivio " + std::string(repository),
                  "KAVELTAR", MessageIcon::kExclamation);
    }
    ctx.out << d << "\t" << TerminalSafe(Cp1252ToUtf8(session.codec().GetField(d))) << "\n";
  }
}

Screen ParseScreen(const std::string& s) {
  if (s == "update") return Screen::kUpdate;
  if (s == "print") return Screen::kPrint;
  if (s == "export") return Screen::kLoad;
  return Screen::kMemorize;
}

// The year of a list command: the processing year by default, 2008 at the earliest.
int CheckedYear(Session& session, int year) {
  if (year == 0) return session.installation().processing_year;
  if (year > session.installation().processing_year) {
    throw Fatal("Non è possibile andare avanti oltre l'anno di elaborazione", "KAVELTAR",
                MessageIcon::kInformation);
  }
  if (year < YearNavigator::kFirstYear) {
    throw Fatal(
        "Non è possibile andare indietro oltre l'anno " + std::to_string(YearNavigator::kFirstYear),
        "KAVELTAR", MessageIcon::kInformation);
  }
  if (!IsListYear(session.installation().processing_year, year)) {
    throw Fatal("Nessun archivio dipendenti per l'anno " + std::to_string(year) +
                    " (sono disponibili i quattro anni precedenti l'anno di elaborazione)",
                "KAVELTAR", MessageIcon::kInformation);
  }
  return year;
}

class DemoInstallCommand : public Command {
 public:
  const char* name() const override { return "demo-install"; }
  const char* description() const override {
    return "crea un'installazione dimostrativa completa (archivi, programmi, database modello)";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("DIR", options_.dir, "cartella da creare")->required();
    sub.add_option("--year", options_.year, "anno di elaborazione");
    sub.add_option("--month", options_.month, "mese di elaborazione (1-12)");
    sub.add_option("--companies", options_.companies, "numero di ditte");
    sub.add_option("--employees", options_.employees, "numero di dipendenti (al massimo 9999)");
    sub.add_option("--seed", options_.seed, "seme dei dati generati");
    sub.add_flag("--registry", options_.write_registry,
                 "scrive anche il registro e i file di percorso che puntano a DIR");
    sub.add_flag(
        "--force", force_,
        "sostituisce un'installazione dimostrativa già presente in DIR (e le sue presenze)");
  }
  int Execute(Context& ctx) override {
    // A second run would replace the stored attendance: only when asked for.
    std::error_code ec;
    if (!force_ && std::filesystem::is_directory(options_.dir, ec) &&
        !std::filesystem::is_empty(options_.dir, ec)) {
      ctx.err
          << "kaveltar-cli: la cartella " << options_.dir.string()
          << " contiene già un'installazione (o altri file): non viene modificata. Usare --force "
             "per sostituire un'installazione dimostrativa\n";
      return 1;
    }
    DemoReport report;
    const Status s = WriteDemoInstallation(options_, &report);
    if (!s.ok()) {
      ctx.err << "kaveltar-cli: " << s.message() << "\n";
      return 1;
    }
    ctx.out << "Installazione dimostrativa creata in " << options_.dir.string() << "\n"
            << "Archivi: " << (options_.dir / "ARCHIVI").string() << "\n"
            << "Programmi: " << (options_.dir / "PROGRAMMI").string() << "\n"
            << "Anno di elaborazione: " << report.year << "\n"
            << "Data di elaborazione: " << report.processing_date << "\n"
            << "Ditte: " << report.company_codes.size() << "\n"
            << "Dipendenti: " << report.employees << "\n";
    return 0;
  }

 private:
  DemoOptions options_;
  bool force_ = false;
};

class InfoCommand : public Command {
 public:
  const char* name() const override { return "info"; }
  const char* description() const override { return "mostra le impostazioni dell'installazione"; }
  void Configure(CLI::App&) override {}
  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    // The numbering as the print screen labels it, with the installation's running number.
    const bool per_company = NumberedPerCompany(session.job());
    ctx.out << "ProgramPath: " << session.installation().program_path.string() << "\n"
            << "ArchivePath: " << session.installation().archive_path.string() << "\n"
            << "InstallationCode: " << session.installation().installation_code << "\n"
            << "ProcessingDate: " << session.installation().processing_date << "\n"
            << "ProcessingYear: " << session.installation().processing_year << "\n"
            << "Numbering: " << (per_company ? "Numerazione x Ditta" : "Numerazione unica") << "\n"
            << "Database: " << session.installation().database_label << "\n";
    const std::string page = per_company ? std::string() : session.codec().GetField(fields::kF416);
    if (!page.empty()) ctx.out << "PageNumber: " << page << "\n";
    ctx.out << "Employees: " << session.lists().extraction().size() << "\n";
    return 0;
  }
};

class CompaniesCommand : public Command {
 public:
  const char* name() const override { return "companies"; }
  const char* description() const override {
    return "elenco delle ditte come lo mostra la schermata";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--year", year_, "anno mostrato");
    sub.add_option("--order", order_, "ordine: code o name")
        ->check(CLI::IsMember({"code", "name"}));
    sub.add_option("--screen", screen_, "schermata: memorize, update, print, export")
        ->check(CLI::IsMember({"memorize", "update", "print", "export"}));
  }
  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    const int year = CheckedYear(session, year_);
    session.lists().CARICAESTRAZIONE(session.installation().processing_year - year);
    for (const ListEntry& company :
         session.lists().LISTA_AZIENDE(ParseScreen(screen_), order_ == "name" ? 1 : 0)) {
      ctx.out << TerminalSafe(Cp1252ToUtf8(company.line)) << "\n";
    }
    return 0;
  }

 private:
  int year_ = 0;
  std::string order_ = "code";
  std::string screen_ = "memorize";
};

class EmployeesCommand : public Command {
 public:
  const char* name() const override { return "employees"; }
  const char* description() const override { return "elenco dei dipendenti di una ditta"; }
  void Configure(CLI::App& sub) override {
    sub.add_option("--company", company_, "codice ditta")->required();
    sub.add_option("--year", year_, "anno mostrato");
    sub.add_option("--order", order_, "ordine: code o name")
        ->check(CLI::IsMember({"code", "name"}));
    sub.add_option("--screen", screen_, "schermata: memorize, update, print, export")
        ->check(CLI::IsMember({"memorize", "update", "print", "export"}));
  }
  int Execute(Context& ctx) override {
    if (!IsDigits(company_) || company_.size() > 3 || ValInt(company_) == 0) {
      ctx.err << "kaveltar-cli: codice ditta non valido: " << company_ << "\n";
      return 2;
    }
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    const int year = CheckedYear(session, year_);
    const std::string code = PadLeft(company_, 3, '0');
    const Screen screen = ParseScreen(screen_);
    session.lists().CARICAESTRAZIONE(session.installation().processing_year - year);
    if (FindEntry(session.lists().LISTA_AZIENDE(screen, kOrderByCode), code) == nullptr) {
      ctx.err << "kaveltar-cli: ditta " << code << " non presente nell'elenco dell'anno " << year
              << "\n";
      return 1;
    }
    for (const ListEntry& employee :
         session.lists().EmployeeList(screen, order_ == "name" ? 1 : 0, year, code)) {
      ctx.out << TerminalSafe(Cp1252ToUtf8(employee.line)) << "\n";
    }
    return 0;
  }

 private:
  std::string company_;
  int year_ = 0;
  std::string order_ = "code";
  std::string screen_ = "memorize";
};

class EmployeeCommand : public Command {
 public:
  const char* name() const override { return "employee"; }
  const char* description() const override {
    return "campi del dipendente (dall'archivio dell'anno)";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("KEY", key_, "codice dipendente di 10 caratteri")->required();
    sub.add_option("--year", year_, "anno dell'archivio");
    sub.add_option("--field", fields_, "descrittore o codice del campo (ripetibile)");
  }
  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    const int year = CheckedYear(session, year_);
    if (!session.lists().LoadEmployee(year, key_)) {
      ctx.err << "kaveltar-cli: dipendente " << key_ << " non trovato nell'archivio dell'anno "
              << year << "\n";
      return 1;
    }
    PrintFields(session, ctx, "DIPX$", fields_);
    return 0;
  }

 private:
  std::string key_;
  int year_ = 0;
  std::vector<std::string> fields_;
};

class CompanyCommand : public Command {
 public:
  const char* name() const override { return "company"; }
  const char* description() const override { return "campi della ditta"; }
  void Configure(CLI::App& sub) override {
    sub.add_option("CODE", code_, "codice ditta")->required();
    sub.add_option("--field", fields_, "descrittore o codice del campo (ripetibile)");
  }
  int Execute(Context& ctx) override {
    if (!IsDigits(code_) || ValInt(code_) == 0) {
      ctx.err << "kaveltar-cli: codice ditta non valido: " << code_ << "\n";
      return 2;
    }
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    if (!session.lists().LoadCompany(static_cast<int>(ValInt(code_))) ||
        Trim(session.codec().GetField(fields::kT002)).empty()) {
      ctx.err << "kaveltar-cli: ditta " << code_ << " non trovata\n";
      return 1;
    }
    PrintFields(session, ctx, "DITX$", fields_);
    return 0;
  }

 private:
  std::string code_;
  std::vector<std::string> fields_;
};

class ParametersCommand : public Command {
 public:
  const char* name() const override { return "parameters"; }
  const char* description() const override { return "parametri dell'installazione (FISX$)"; }
  void Configure(CLI::App& sub) override {
    sub.add_option("--field", fields_, "descrittore o codice del campo (ripetibile)");
  }
  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    PrintFields(session, ctx, "FISX$", fields_);
    return 0;
  }

 private:
  std::vector<std::string> fields_;
};

class PrintersCommand : public Command {
 public:
  const char* name() const override { return "printers"; }
  const char* description() const override {
    return "elenco delle stampanti; * segna quella che l'installazione sceglie";
  }
  void Configure(CLI::App&) override {}
  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    PrinterJob& printer = session.printer();
    const std::string current = printer.DeviceName();
    auto printers = printer.Printers();
    if (!printers.ok()) ctx.err << "kaveltar-cli: " << printers.status().message() << "\n";
    bool marked = false;
    if (printers.ok()) {
      for (const PrinterInfo& p : *printers) {
        const bool chosen = p.name == current;
        marked = marked || chosen;
        ctx.out << (chosen ? "* " : "  ") << p.name;
        if (p.is_default) ctx.out << " (predefinita)";
        if (!p.description.empty()) ctx.out << " - " << p.description;
        ctx.out << "\n";
      }
    }
    // No printer at all: the documents go into the spool folder named by the device.
    if (!marked) {
      ctx.out << "* " << current << " (nessuna stampante: le stampe vi sono salvate come PDF)\n";
    }
    return 0;
  }
};

class TestPageCommand : public Command {
 public:
  const char* name() const override { return "test-page"; }
  const char* description() const override {
    return "pagina di prova (foglio presenze di esempio) in PDF e/o sulla stampante";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--pdf", pdf_, "file PDF da scrivere");
    sub.add_option("--pages", pages_, "numero di pagine (da 1 a 100000)")
        ->check(CLI::Range(1, 100000));
    sub.add_option("--compression", compression_, "compressione: lzw, flate o none")
        ->check(CLI::IsMember({"lzw", "flate", "none"}));
    sub.add_option("--user-password", user_password_, "password di apertura (protegge il PDF)");
    sub.add_option("--owner-password", owner_password_,
                   "password del proprietario (protegge il PDF)");
    sub.add_option("--key-bits", key_bits_, "lunghezza della chiave: 40 o 128")
        ->check(CLI::IsMember({40, 128}));
    sub.add_flag(
        "--all-features", all_features_,
        "con --pdf: prima quattro pagine con tutte le funzioni del PDF (segnalibri, moduli, "
        "codici a barre, livelli, ...)");
    sub.add_flag("--print", print_,
                 "stampa la pagina sulla stampante scelta (implicito con --printer)");
  }
  int Execute(Context& ctx) override {
    const bool print = print_ || !ctx.global.printer.empty();
    if (pdf_.empty() && !print) {
      ctx.err << "kaveltar-cli: indicare --pdf FILE oppure --print\n";
      return 2;
    }
    if (!pdf_.empty()) {
      TestPageOptions options;
      options.output_path = pdf_;
      options.pages = pages_;
      options.user_password = user_password_;
      options.owner_password = owner_password_;
      options.key_bits = key_bits_;
      options.all_features = all_features_;
      if (!ParseTestPageCompression(compression_, &options.compression)) {
        ctx.err << "kaveltar-cli: compressione sconosciuta: " << compression_ << "\n";
        return 2;
      }
      std::string error;
      if (WriteTestPagePdf(options, &error) != 0) {
        ctx.err << "kaveltar-cli: " << error << "\n";
        return 1;
      }
      ctx.out << "Pagina di prova scritta in " << pdf_ << "\n";
    }
    if (print) {
      // The printer chosen on the command line needs no installation; otherwise the
      // installation's choice applies, with its STAMPE folder when there is no printer.
      Session session(ctx.dialogs);
      if (ctx.global.printer.empty()) {
        OpenSession(session, ctx);
      } else {
        AttachSystemPrinter(session, ctx.global.printer);
      }
      PrintTestPages(session.report_target(), pages_);
      const std::string& where = session.printer().last_destination();
      if (where.empty()) {
        ctx.err << "kaveltar-cli: la pagina di prova non è stata stampata\n";
        return 1;
      }
      ctx.out << "Pagina di prova stampata: " << where << "\n";
    }
    return 0;
  }

 private:
  std::string pdf_;
  int pages_ = 1;
  std::string compression_ = "lzw";
  std::string user_password_;
  std::string owner_password_;
  int key_bits_ = 128;
  bool print_ = false;
  bool all_features_ = false;
};

}  // namespace

void CommandGroup::Configure(CLI::App& sub) {
  sub.require_subcommand(1);
  AddSubcommands(sub);
}

std::vector<std::string> PickEmployees(const std::vector<ListEntry>& list,
                                       const std::vector<std::string>& keys, std::string* missing) {
  std::vector<std::string> padded;
  for (const std::string& key : keys) padded.push_back(PadRight(key, 10));
  std::vector<bool> seen(keys.size(), false);
  std::vector<std::string> picked;
  for (const ListEntry& entry : list) {
    bool wanted = false;
    for (size_t i = 0; i < padded.size(); ++i) {
      if (entry.code == padded[i]) {
        wanted = true;
        seen[i] = true;
      }
    }
    if (wanted) picked.push_back(entry.code);
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!seen[i]) {
      *missing = keys[i];
      return {};
    }
  }
  return picked;
}

std::string TerminalSafe(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code = 0x100;  // none
    if (c < 0x20 || c == 0x7F) code = c;
    // U+0080-U+009F, the second set of control characters, is 0xC2 0x80-0x9F in UTF-8.
    if (c == 0xC2 && i + 1 < utf8.size()) {
      const auto next = static_cast<unsigned char>(utf8[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        code = next;
        ++i;
      }
    }
    if (code == 0x100) {
      shown.push_back(static_cast<char>(c));
    } else {
      shown.append("\\x").push_back(kHex[code >> 4]);
      shown.push_back(kHex[code & 0xF]);
    }
  }
  return shown;
}

void OpenSession(Session& session, const Context& context) {
  StartupOptions options;
  if (!context.global.archive.empty()) options.archive_path = context.global.archive;
  if (!context.global.programs.empty()) options.program_path = context.global.programs;
  options.registry_file = context.global.registry;
  options.database_url = context.global.database_url;
  options.printer = context.global.printer;
  Startup(session, options);
}

std::vector<std::unique_ptr<Command>> MakeCommands() {
  std::vector<std::unique_ptr<Command>> c;
  c.push_back(std::make_unique<DemoInstallCommand>());
  c.push_back(std::make_unique<InfoCommand>());
  c.push_back(std::make_unique<CompaniesCommand>());
  c.push_back(std::make_unique<EmployeesCommand>());
  c.push_back(std::make_unique<EmployeeCommand>());
  c.push_back(std::make_unique<CompanyCommand>());
  c.push_back(std::make_unique<ParametersCommand>());
  c.push_back(std::make_unique<PrintersCommand>());
  c.push_back(std::make_unique<TestPageCommand>());
  AddMemorizeCommands(c);
  AddGridCommands(c);  // after the memorization commands: takes their `month` as `month show`
  AddTableCommands(c);
  AddPrintCommands(c);
  AddExchangeCommands(c);
  AddMigrateCommands(c);
  AddConfigCommands(c);
  AddDbCommands(c);
  return c;
}

}  // namespace kaveltar::cli
