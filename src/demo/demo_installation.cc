#include "demo/demo_installation.h"

#include <fcntl.h>   // AT_FDCWD
#include <stdio.h>   // renameat2
#include <stdlib.h>  // mkdtemp

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <system_error>

#include "base/dates.h"
#include "base/text.h"
#include "db/attendance_db.h"
#include "demo/demo_archives.h"
#include "demo/demo_images.h"
#include "demo/demo_people.h"
#include "demo/demo_tables.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarkerFile = "KAVELTAR-DEMO.INI";
constexpr std::string_view kMarkerHeader = "[KAVELTAR-DEMO]";
constexpr std::string_view kProgramFolder = "PROGRAMMI";
constexpr std::string_view kArchiveFolder = "ARCHIVI";

std::string ErrorText(const std::error_code& ec) { return ec.message(); }

Status ValidateOptions(const DemoOptions& o, int year) {
  if (o.dir.empty()) return Status::Invalid("Indicare la cartella dell'installazione dimostrativa");
  if (year < 2000 || year > 2099) {
    return Status::Invalid("Anno " + std::to_string(year) +
                           " non valido: indicare un anno dal 2000 al 2099");
  }
  if (o.month < 0 || o.month > 12) {
    return Status::Invalid("Mese " + std::to_string(o.month) +
                           " non valido: indicare un mese da 1 a 12");
  }
  if (o.companies < 1 || o.companies > 999) {
    return Status::Invalid("Numero di ditte " + std::to_string(o.companies) +
                           " non valido: da 1 a 999 (il codice ditta ha tre cifre)");
  }
  if (o.employees < 1) {
    return Status::Invalid("Numero di dipendenti " + std::to_string(o.employees) +
                           " non valido: almeno 1");
  }
  if (o.employees > 9999) {
    return Status::Invalid("Numero di dipendenti " + std::to_string(o.employees) +
                           " non valido: al massimo 9999 (il numero del dipendente ha quattro "
                           "cifre)");
  }
  return Status::Ok();
}

bool IsDemoInstallation(const fs::path& dir) {
  std::ifstream in(dir / kMarkerFile, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return false;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line == kMarkerHeader;
}

// What is at the target: nothing, an empty folder, an earlier demo installation (all fine),
// or anything else (refused).
enum class Target { kMissing, kEmpty, kDemo };

Result<Target> InspectTarget(const fs::path& dir) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(dir, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) {
    return Status::IoError("Impossibile esaminare " + dir.string() + ": " + ErrorText(ec));
  }
  if (!fs::exists(status)) return Target::kMissing;
  if (!fs::is_directory(status)) {
    return Status::Invalid(dir.string() + " esiste e non è una cartella");
  }
  const bool empty = fs::is_empty(dir, ec);
  if (ec) return Status::IoError("Impossibile leggere " + dir.string() + ": " + ErrorText(ec));
  if (empty) return Target::kEmpty;
  if (IsDemoInstallation(dir)) return Target::kDemo;
  return Status::Invalid("La cartella " + dir.string() +
                         " non è vuota e non contiene un'installazione dimostrativa: indicare "
                         "una cartella nuova o vuota");
}

// Writes a file through a temporary sibling and a rename.
Status WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec)
    return Status::IoError("Impossibile creare " + path.parent_path().string() + ": " +
                           ErrorText(ec));
  fs::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, ec);
      return Status::IoError("Impossibile scrivere " + path.string());
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return Status::IoError("Impossibile scrivere " + path.string() + ": " + ErrorText(ec));
  }
  return Status::Ok();
}

Status WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return Status::IoError("Impossibile scrivere " + path.string());
  return Status::Ok();
}

std::string MarkerText(const DemoOptions& o, int year, int month) {
  std::string t;
  t += std::string(kMarkerHeader) + "\r\n";
  t += "; Installazione dimostrativa di KAVELTAR: il comando demo-install puo' riscriverla\r\n";
  t += "; per intero. Cartella dei programmi PROGRAMMI, degli archivi ARCHIVI.\r\n";
  t += "anno=" + std::to_string(year) + "\r\n";
  t += "mese=" + std::to_string(month) + "\r\n";
  t += "ditte=" + std::to_string(o.companies) + "\r\n";
  t += "dipendenti=" + std::to_string(o.employees) + "\r\n";
  t += "seme=" + std::to_string(o.seed) + "\r\n";
  return t;
}

// Everything of the installation, written into `root` (the temporary folder).
Status WriteInstallation(const DemoOptions& o, const demo::Population& pop, const fs::path& root,
                         DemoReport* report) {
  const fs::path programs = root / kProgramFolder;
  const fs::path archives = root / kArchiveFolder;
  const fs::path pictures = programs / "MODULI";
  std::error_code ec;
  for (const fs::path& p : {programs, archives, pictures}) {
    fs::create_directories(p, ec);
    if (ec) return Status::IoError("Impossibile creare " + p.string() + ": " + ErrorText(ec));
  }

  const fs::path circular = pictures / "CIRCOLARE.BMP";
  const fs::path standard = pictures / "inailstd.jpg";
  if (Status s = WriteBytes(circular, demo::EncodeBmp(demo::DrawCircularStamp())); !s.ok())
    return s;
  if (Status s = WriteBytes(standard, demo::EncodeJpeg(demo::DrawStandardStamp(), 90)); !s.ok()) {
    return s;
  }
  report->pictures = {circular, standard};

  if (Status s =
          demo::WriteArchives(pop, o.seed, archives, &report->archives, &report->employees_by_year);
      !s.ok()) {
    return s;
  }
  // Stamp settings: "3", the standard stamp.
  const std::string code(demo::kDemoInstallationCode);
  if (Status s = WriteBytes(archives / ("BOLLOSTAMP" + code), "3\r\n"); !s.ok()) return s;

  report->template_database = archives / kTemplateFile;
  if (Status s = demo::WriteTemplateDatabase(report->template_database); !s.ok()) return s;

  return WriteBytes(root / kMarkerFile, MarkerText(o, pop.year, pop.month));
}

// Puts the finished folder in place of `dir`. An empty folder is replaced by a rename; an
// earlier demo installation is swapped atomically where the system allows it, and deleted.
Status MoveIntoPlace(const fs::path& temporary, const fs::path& dir, Target target) {
  std::error_code ec;
  if (target != Target::kDemo) {
    fs::rename(temporary, dir, ec);
    if (ec) return Status::IoError("Impossibile creare " + dir.string() + ": " + ErrorText(ec));
    return Status::Ok();
  }
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, dir.c_str(), RENAME_EXCHANGE) != 0) {
    // No atomic exchange on this file system: move the old one aside first.
    fs::path old = temporary;
    old += ".old";
    fs::rename(dir, old, ec);
    if (ec) return Status::IoError("Impossibile sostituire " + dir.string() + ": " + ErrorText(ec));
    fs::rename(temporary, dir, ec);
    if (ec) {
      std::error_code ignored;
      fs::rename(old, dir, ignored);
      return Status::IoError("Impossibile sostituire " + dir.string() + ": " + ErrorText(ec));
    }
    fs::remove_all(old, ec);
    return Status::Ok();
  }
  fs::remove_all(temporary, ec);  // now the old installation
  return Status::Ok();
}

// The registry values and the drive C: files that lead the program to the installation.
Status WriteRegistry(RegistryStore store, const fs::path& programs, const fs::path& archives,
                     DemoReport* report) {
  struct DriveFile {
    std::string_view windows_path;
    std::string text;
  };
  const DriveFile drive_files[] = {
      {"C:\\PQXPAGHE\\QXPERARK.QXP", archives.string() + "\r\n"},
      {"C:\\PQXPAGHE\\QXPERPRO.QXP", programs.string() + "\r\n"},
      {"C:\\MIRTASK\\MIRTASK.INI",
       std::string(demo::kDemoInstallationCode) + " STUDIO PAGHE DIMOSTRATIVO\r\n"},
  };
  for (const DriveFile& f : drive_files) {
    const fs::path path = FindCaseInsensitive(MapWindowsPath(f.windows_path));
    if (Status s = WriteFileAtomically(path, f.text); !s.ok()) return s;
    report->drive_files.push_back(path);
  }
  store.SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI", programs.string());
  store.SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOARCHIVI", archives.string());
  report->registry_file = RegistryStore::DefaultFile();
  return store.Save(report->registry_file);
}

fs::path Rebase(const fs::path& p, const fs::path& from, const fs::path& to) {
  return to / p.lexically_relative(from);
}

}  // namespace

std::string_view DemoCaseName(DemoCase c) {
  switch (c) {
    case DemoCase::kGroup:
      return "gruppo orario";
    case DemoCase::kProfile:
      return "profilo orario";
    case DemoCase::kRotation2:
      return "rotazione di 2 gruppi";
    case DemoCase::kRotation3:
      return "rotazione di 3 gruppi";
    case DemoCase::kRotation4:
      return "rotazione di 4 gruppi";
    case DemoCase::kRotation5:
      return "rotazione di 5 gruppi";
    case DemoCase::kRotationWithProfile:
      return "rotazione con profilo";
    case DemoCase::kHiredMidMonth:
      return "assunto nel mese";
    case DemoCase::kLeavingMidMonth:
      return "cessato nel mese";
    case DemoCase::kStatus2:
      return "stato 2 con data di cessazione";
    case DemoCase::kCollaboratorWithGroup:
      return "collaboratore con gruppo";
    case DemoCase::kCollaboratorWithoutGroup:
      return "collaboratore senza gruppo";
    case DemoCase::kGrantHolder:
      return "borsista (P529)";
    case DemoCase::kExcluded:
      return "escluso dalla memorizzazione (P890)";
    case DemoCase::kNotListed:
      return "escluso dagli elenchi (P768)";
    case DemoCase::kMissingGroup:
      return "gruppo assente da GRUPPI";
    case DemoCase::kNoSchedule:
      return "senza gruppo e senza profilo";
    case DemoCase::kLetterSheet:
      return "cartellino P/A (P767)";
    case DemoCase::kLeftEarlierYear:
      return "cessato in un anno precedente";
  }
  return "";
}

int ResolveDemoMonth(int year, int today_year, int today_month) {
  if (year < today_year) return 12;
  if (year > today_year) return 1;
  return today_month > 1 ? today_month - 1 : 1;
}

namespace {

// What the report says of the installation moved from `temporary` into `dir`: its folders
// and files, its processing month, its counts and the employees of each case.
void DescribeInstallation(const demo::Population& pop, const fs::path& temporary,
                          const fs::path& dir, DemoReport* r) {
  const int year = pop.year;
  const int month = pop.month;
  r->dir = dir;
  r->program_folder = dir / kProgramFolder;
  r->archive_folder = dir / kArchiveFolder;
  r->template_database = Rebase(r->template_database, temporary, dir);
  for (fs::path& p : r->pictures) p = Rebase(p, temporary, dir);
  for (DemoArchiveFile& f : r->archives) f.path = Rebase(f.path, temporary, dir);
  r->installation_code = std::string(demo::kDemoInstallationCode);
  r->year = year;
  r->month = month;
  r->processing_date = std::to_string(year * 10000L + month * 100L + MonthLength(month, year));
  for (const demo::Company& c : pop.companies) r->company_codes.push_back(ZeroPad(c.code, 3));
  r->employees = r->employees_by_year[0];
  r->holidays = static_cast<int>(demo::DemoHolidays().size());
  r->justifications = static_cast<int>(demo::DemoJustifications().size());
  r->groups = static_cast<int>(demo::DemoGroups().size());
  r->profiles = static_cast<int>(demo::DemoProfiles().size());
  r->formulas = static_cast<int>(demo::DemoFormulas().size());
  r->missing_group = ZeroPad(demo::kMissingGroupCode, 3);
  for (const demo::Employee& e : pop.employees) {
    const uint32_t bits = demo::ClassifyEmployee(e, year, month);
    for (int c = 0; c < kDemoCaseCount; ++c) {
      if ((bits & (1u << c)) != 0) r->cases[static_cast<size_t>(c)].push_back(e.key);
    }
  }
}

}  // namespace

Status WriteDemoInstallation(const DemoOptions& options, DemoReport* report) {
  const auto started = std::chrono::steady_clock::now();
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  const int year = options.year != 0 ? options.year : today.tm_year + 1900;
  if (Status s = ValidateOptions(options, year); !s.ok()) return s;
  const int month = options.month != 0
                        ? options.month
                        : ResolveDemoMonth(year, today.tm_year + 1900, today.tm_mon + 1);

  std::error_code ec;
  fs::path dir = fs::absolute(options.dir, ec).lexically_normal();
  if (ec)
    return Status::IoError("Cartella non valida " + options.dir.string() + ": " + ErrorText(ec));
  if (!dir.has_filename()) dir = dir.parent_path();  // "DIR/" names DIR
  Result<Target> target = InspectTarget(dir);
  if (!target.ok()) return target.status();

  // A registry store that cannot be read is found before anything is written.
  std::optional<RegistryStore> store;
  if (options.write_registry) {
    Result<RegistryStore> loaded = RegistryStore::Load(RegistryStore::DefaultFile());
    if (!loaded.ok()) return loaded.status();
    store = std::move(*loaded);
  }

  demo::PopulationPlan plan;
  plan.year = year;
  plan.month = month;
  plan.companies = options.companies;
  plan.employees = options.employees;
  plan.seed = options.seed;
  const demo::Population pop = demo::GeneratePopulation(plan);

  fs::create_directories(dir.parent_path(), ec);
  if (ec)
    return Status::IoError("Impossibile creare " + dir.parent_path().string() + ": " +
                           ErrorText(ec));
  std::string pattern = dir.string() + ".tmp-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    return Status::IoError("Impossibile creare una cartella accanto a " + dir.string() + ": " +
                           std::strerror(errno));
  }
  const fs::path temporary = pattern;

  DemoReport r;
  Status s = WriteInstallation(options, pop, temporary, &r);
  if (s.ok()) s = MoveIntoPlace(temporary, dir, *target);
  if (!s.ok()) {
    fs::remove_all(temporary, ec);
    return s;
  }

  DescribeInstallation(pop, temporary, dir, &r);

  if (store.has_value()) {
    if (Status w = WriteRegistry(std::move(*store), r.program_folder, r.archive_folder, &r);
        !w.ok()) {
      *report = std::move(r);
      return w;
    }
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  *report = std::move(r);
  return Status::Ok();
}

}  // namespace kaveltar
