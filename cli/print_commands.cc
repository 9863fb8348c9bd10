// The print commands of kaveltar-cli:
//   print sheets   the monthly attendance sheets of one company's employees, on the printer
//                  or as PDF files, as the print screen's "Stampa" does; the closing message,
//                  the PDF files one per line and, last, "NextNumber: N" (the sheet number the
//                  next run starts from) on standard output;
//   print summary  the presence and absence summaries of one company for a month or a year.
#include "cli/print_commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <ostream>

#include "app/session.h"
#include "archive/selection_lists.h"
#include "base/text.h"
#include "cli/commands.h"
#include "printing/sheet_printing.h"
#include "printing/summaries.h"

namespace kaveltar::cli {
namespace {

int Usage(Context& ctx, const std::string& message) {
  ctx.err << "kaveltar-cli: " << message << "\n";
  return 2;
}

// The company code and the employee keys of the print screen's lists for the year, in list
// order; "" as the returned error when everything was found.
std::string SelectEmployees(Session& session, int year, const std::string& company,
                            const std::vector<std::string>& wanted, std::string* company_code,
                            std::vector<std::string>* entries) {
  if (std::string error = ListYearError(session.installation().processing_year, year);
      !error.empty())
    return error;
  const int distance = session.installation().processing_year - year;
  if (!IsDigits(company) || company.empty() || company.size() > 3 || ValInt(company) == 0) {
    return "codice ditta non valido: " + company;
  }
  *company_code = PadLeft(company, 3, '0');
  SelectionLists& lists = session.lists();
  lists.CARICAESTRAZIONE(distance);
  if (FindEntry(lists.LISTA_AZIENDE(Screen::kPrint, kOrderByCode), *company_code) == nullptr) {
    return "ditta " + *company_code + " non presente nell'elenco dell'anno " + std::to_string(year);
  }
  const std::vector<ListEntry> all =
      lists.EmployeeList(Screen::kPrint, kOrderByCode, year, *company_code);
  if (wanted.empty()) {
    *entries = EntryCodes(all);
    return "";
  }
  std::string missing;
  *entries = PickEmployees(all, wanted, &missing);  // in the list's order
  if (!missing.empty()) {
    return "dipendente " + missing + " non presente nell'elenco della ditta " + *company_code +
           " (anno " + std::to_string(year) + ")";
  }
  return "";
}

class PrintCommand : public CommandGroup {
 public:
  PrintCommand()
      : CommandGroup("print", "stampa o crea in PDF i cartellini del mese e i riepiloghi") {}

  void AddSubcommands(CLI::App& sub) override {
    sheets_ = sub.add_subcommand("sheets", "fogli presenze / assenze del mese (LUL)");
    sheets_->add_option("--year", year_, "anno")->required();
    sheets_->add_option("--month", month_, "mese (1-12)")->required()->check(CLI::Range(1, 12));
    sheets_->add_option("--company", company_, "codice ditta")->required();
    sheets_->add_option("--employee", employees_,
                        "codice dipendente di 10 caratteri (ripetibile; senza: tutti)");
    sheets_->add_flag("--pdf", pdf_, "Crea PDF");
    sheets_->add_flag("--one-file-per-employee", one_file_, "Un File per Dipendente");
    sheets_->add_flag("--draft", draft_, "Bozza");
    sheets_->add_flag("--no-number", no_number_, "No Numeraz.");
    sheets_
        ->add_option("--start-number", start_number_,
                     "numero del primo foglio (predefinito: la numerazione dell'installazione, "
                     "come nella videata di stampa)")
        ->check(CLI::NonNegativeNumber);
    sheets_->add_option("--copies", copies_, "Numero Copie (solo stampante; predefinito 1)")
        ->check(CLI::Range(0, 99));
    sheets_->add_flag("--stamp", stamp_, "Stampa sul Cartellino (bollo INAIL)");
    sheets_->add_flag("--inail-office", inail_office_, "Stampa Sede Inail");
    sheets_->add_flag("--no-theoretical", no_theoretical_,
                      "Non stampare le ore teoriche del gruppo");
    sheets_->add_flag("--rest-letter", rest_letter_, "'R' nelle giornate non lavorate");
    sheets_->add_flag("--presence-letters", presence_letters_,
                      "'P'/'A' al posto delle ore lavorate se P767 = 1");
    sheets_->add_flag("--validation", validation_, "Vidimazione Laser");

    summary_ = sub.add_subcommand("summary", "riepilogo assenze/presenze");
    summary_->add_option("--year", year_, "anno")->required();
    summary_->add_option("--month", month_, "mese (1-12)")->required()->check(CLI::Range(1, 12));
    summary_->add_option("--company", company_, "codice ditta")->required();
    summary_->add_option("--employee", employees_,
                         "codice dipendente di 10 caratteri (ripetibile; senza: tutti)");
    summary_->add_option("--kind", kind_, "company|employee|subcompany|group|justification")
        ->required()
        ->check(CLI::IsMember({"company", "employee", "subcompany", "group", "justification"}));
    summary_->add_flag("--whole-year", whole_year_, "riepilogo su tutto l'anno");
    summary_->add_flag("--pdf", pdf_, "Crea PDF");
  }

  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    std::string company_code;
    std::vector<std::string> entries;
    if (std::string error =
            SelectEmployees(session, year_, company_, employees_, &company_code, &entries);
        !error.empty()) {
      return Usage(ctx, error);
    }
    if (sheets_->parsed()) return Sheets(ctx, session, company_code, entries);
    return Summary(ctx, session, company_code, entries);
  }

 private:
  int Sheets(Context& ctx, Session& session, const std::string& company,
             const std::vector<std::string>& entries) {
    SheetRunRequest r;
    r.year = year_;
    r.month = month_;
    r.company = company;
    r.employees = entries;
    r.validation = validation_;
    r.pdf = pdf_;
    r.one_file_per_employee = one_file_;
    r.copies = std::to_string(copies_);
    r.options.draft = draft_;
    r.options.no_number = no_number_;
    r.options.no_theoretical = no_theoretical_;
    r.options.rest_letter = rest_letter_;
    r.options.presence_letters = presence_letters_;
    r.options.stamp = stamp_;
    r.options.inail_office = inail_office_;
    r.options.stamp_kind = ReadStampKind(session.installation().archive_path,
                                         session.installation().installation_code);
    // Without --start-number the run starts where the print screen would: the installation's
    // running number (or the company's, with numbering per company).
    r.options.number_text =
        start_number_ ? std::to_string(*start_number_) : DefaultSheetNumber(session.job(), company);
    const SheetRunResult result = PrintMonthlySheets(session.job(), r);
    ctx.out << result.message << "\n";
    for (const std::string& file : result.pdf_files) ctx.out << file << "\n";
    if (!pdf_ && result.sheets > 0 && !session.printer().last_destination().empty()) {
      ctx.out << "Stampato su: " << session.printer().last_destination() << "\n";
    }
    ctx.out << "NextNumber: " << Trim(result.number_text) << "\n";
    if (result.failed) return 1;
    return (result.sheets > 0 || validation_) ? 0 : 1;
  }

  int Summary(Context& ctx, Session& session, const std::string& company,
              const std::vector<std::string>& entries) {
    SummaryRequest r;
    r.year = year_;
    r.month = month_;
    r.company = company;
    r.employees = entries;
    r.whole_year = whole_year_;
    r.pdf = pdf_;
    if (kind_ == "company") r.kind = SummaryKind::kCompany;
    if (kind_ == "employee") r.kind = SummaryKind::kEmployees;
    if (kind_ == "subcompany") r.kind = SummaryKind::kSubCompany;
    if (kind_ == "group") r.kind = SummaryKind::kGroup;
    if (kind_ == "justification") r.kind = SummaryKind::kJustification;
    const SummaryResult result = STAMPARIEPILOGOMESE(session.job(), r);
    if (!result.message.empty()) ctx.out << result.message << "\n";
    if (!result.pdf_file.empty()) ctx.out << result.pdf_file << "\n";
    if (!pdf_ && result.pages > 0 && !session.printer().last_destination().empty()) {
      ctx.out << "Stampato su: " << session.printer().last_destination() << "\n";
    }
    ctx.out << "Pagine: " << result.pages << "\n";
    return result.pages > 0 ? 0 : 1;
  }

  CLI::App* sheets_ = nullptr;
  CLI::App* summary_ = nullptr;
  int year_ = 0;
  int month_ = 0;
  std::string company_;
  std::vector<std::string> employees_;
  bool pdf_ = false;
  bool one_file_ = false;
  bool draft_ = false;
  bool no_number_ = false;
  std::optional<long> start_number_;
  int copies_ = 1;
  bool stamp_ = false;
  bool inail_office_ = false;
  bool no_theoretical_ = false;
  bool rest_letter_ = false;
  bool presence_letters_ = false;
  bool validation_ = false;
  std::string kind_;
  bool whole_year_ = false;
};

}  // namespace

void AddPrintCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<PrintCommand>());
}

}  // namespace kaveltar::cli
