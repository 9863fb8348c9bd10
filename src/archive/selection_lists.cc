#include "archive/selection_lists.h"

#include <algorithm>

#include "archive/bases.h"
#include "archive/fields.h"
#include "base/dates.h"
#include "base/text.h"

namespace kaveltar {
namespace {

// Message boxes without a title of their own carry the program's name.
constexpr std::string_view kTitle = "KAVELTAR";

constexpr YearSources kSources[5] = {
    {bases::kExtraction, true, bases::kEmployees, bases::kEmployeeIndex},
    {bases::kExtractionYear1, true, bases::kEmployeesYear1, bases::kEmployeeIndexYear1},
    {bases::kEmployeeIndexYear2, false, bases::kEmployeesYear2, bases::kEmployeeIndexYear2},
    {bases::kEmployeeIndexYear3, false, bases::kEmployeesYear3, bases::kEmployeeIndexYear3},
    {bases::kEmployeeIndexYear4, false, bases::kEmployeesYear4, bases::kEmployeeIndexYear4},
};

// The employee archives go back four years from the processing year.
constexpr int kOldestDistance = 4;

constexpr int kSlotsPerRecord = 20;
constexpr int kSlotWidth = 10;
constexpr long kMaxExtractionRecords = 1000;

// Trimmed surname, a blank and the trimmed first name, padded and cut to `width`.
std::string EmployeeName(FieldCodec& codec, std::string_view record, size_t width) {
  std::string name(Trim(codec.GetField(fields::kP002, 0, record)));
  name += " ";
  name += Trim(codec.GetField(fields::kP003, 0, record));
  return PadRight(name, width);
}

// The code columns of an employee line: company, sub-company and number with blanks between.
std::string KeyColumns(std::string_view key) {
  std::string k = PadRight(key, 10);
  return k.substr(0, 3) + " " + k.substr(3, 3) + " " + k.substr(6, 4);
}

// Lists sorted as their lines read; equal lines keep their order.
void SortByLine(std::vector<ListEntry>* entries) {
  std::stable_sort(entries->begin(), entries->end(),
                   [](const ListEntry& a, const ListEntry& b) { return a.line < b.line; });
}

}  // namespace

std::vector<std::string> EntryCodes(const std::vector<ListEntry>& entries) {
  std::vector<std::string> codes;
  codes.reserve(entries.size());
  for (const ListEntry& e : entries) codes.push_back(e.code);
  return codes;
}

const ListEntry* FindEntry(const std::vector<ListEntry>& entries, std::string_view code) {
  for (const ListEntry& e : entries) {
    if (e.code == code) return &e;
  }
  return nullptr;
}

const YearSources& SourcesForDistance(int distance) { return kSources[std::clamp(distance, 0, 4)]; }

int OldestListYear(int processing_year) {
  return std::max(processing_year - kOldestDistance, YearNavigator::kFirstYear);
}

bool IsListYear(int processing_year, int year) {
  return year >= OldestListYear(processing_year) && year <= processing_year;
}

std::string ListYearError(int processing_year, int year) {
  if (IsListYear(processing_year, year)) return {};
  return "anno " + std::to_string(year) + " non disponibile: gli elenchi vanno dal " +
         std::to_string(OldestListYear(processing_year)) + " al " + std::to_string(processing_year);
}

SelectionLists::SelectionLists(ArchiveFiles& files, FieldCodec& codec, Dialogs& dialogs,
                               TraceRing& trace)
    : files_(files), codec_(codec), dialogs_(dialogs), trace_(trace) {}

void SelectionLists::set_processing(int year, std::string processing_date) {
  processing_year_ = year;
  processing_date_ = std::move(processing_date);
}

void SelectionLists::CARICAESTRAZIONE(int variant) {
  trace_.TraceProcedure("CARICAESTRAZIONE");
  extraction_.clear();
  if (variant < 0 || variant > 4) return;
  const YearSources& src = kSources[variant];
  if (!files_.IsOpen(src.extraction_base)) files_.FAIOPEN(src.extraction_base);

  if (src.sequential) {
    bool ended = false;
    for (long r = 1; r <= kMaxExtractionRecords && !ended; ++r) {
      if (files_.LEGGIREC(src.extraction_base, r) != 0) break;
      const std::string& record = files_.RecordBuffer(src.extraction_base);
      for (int i = 0; i < kSlotsPerRecord; ++i) {
        const std::string_view slot = Mid(record, static_cast<size_t>(i) * kSlotWidth, kSlotWidth);
        if (slot == "9999999999" || Trim(slot).empty()) {
          ended = true;
          break;
        }
        extraction_.emplace_back(slot);
      }
    }
    if (extraction_.empty()) {
      dialogs_.Show(variant == 0 ? "Attenzione: Non esiste estrazione anno corrente"
                                 : "Attenzione: Non esiste estrazione anno precedente",
                    kTitle, MessageIcon::kCritical);
    }
    return;
  }

  if (!files_.IsOpen(src.data_base)) files_.FAIOPEN(src.data_base);
  // The walk reads the index entry after entry: its nodes are read once, not on every step.
  const ArchiveFiles::KeptIndexNodes kept_nodes(files_);
  std::string key = "0000000000";
  for (size_t n = 0; n < kMaxExtraction; ++n) {
    const long r = files_.IsamSearch(src.index_base, key, 4, 0);
    if (r == ArchiveFiles::kNoRecord || r <= 0) break;
    if (files_.LEGGIREC(src.data_base, r) != 0) break;  // the next call would find it again
    key = PadRight(Mid(files_.RecordBuffer(src.data_base), 2, 10), 10);
    extraction_.push_back(key);
  }
}

void SelectionLists::ESTRAZIONEDIPENDENTI(std::string_view type) {
  const std::string t = ToUpperAscii(type);
  if (t == "AC")
    CARICAESTRAZIONE(0);
  else if (t == "AP")
    CARICAESTRAZIONE(1);
  else if (t == "AP2")
    CARICAESTRAZIONE(2);
  else if (t == "AP3")
    CARICAESTRAZIONE(3);
}

bool SelectionLists::LoadCompany(int company) {
  if (company <= 0) return false;
  if (!files_.IsOpen(bases::kCompanies)) files_.FAIOPEN(bases::kCompanies);
  if (files_.LEGGIREC(bases::kCompanies, company) != 0) return false;
  codec_.SetCurrentRecord("DITX$", files_.RecordBuffer(bases::kCompanies));
  return true;
}

ListEntry SelectionLists::CompanyEntry(Screen screen, int order, std::string_view record) {
  ListEntry entry;
  entry.code = codec_.GetField(fields::kT001, 0, record);
  const std::string& code = entry.code;
  std::string name(Trim(codec_.GetField(fields::kT002, 0, record)));
  name += Trim(codec_.GetField(fields::kT003, 0, record));
  if (order == kOrderByName) {
    size_t width = 60;
    if (screen == Screen::kUpdate) width = 88;
    if (screen == Screen::kLoad) width = 83;
    if (screen == Screen::kPrint) width = 50;
    const std::string shown = PadRight(name, width);
    entry.name = TrimRight(shown);
    entry.line = shown + " " + code + std::string(30, ' ') + code;
    return entry;
  }
  const std::string shown = PadRight(name, 60);
  entry.name = TrimRight(shown);
  const size_t gap = screen == Screen::kLoad ? 60 : 30;
  entry.line = code + " " + shown + std::string(gap, ' ') + code;
  return entry;
}

std::vector<ListEntry> SelectionLists::LISTA_AZIENDE(Screen screen, int order) {
  trace_.TraceProcedure("LISTA_AZIENDE");
  std::vector<ListEntry> entries;
  std::string previous;
  for (const std::string& key : extraction_) {
    if (Trim(key).empty()) break;
    const std::string company(key.substr(0, 3));
    if (company == previous) continue;
    previous = company;
    if (!LoadCompany(static_cast<int>(ValInt(company)))) break;
    entries.push_back(CompanyEntry(screen, order, files_.RecordBuffer(bases::kCompanies)));
  }
  if (order == kOrderByName) SortByLine(&entries);
  return entries;
}

bool SelectionLists::ReadEmployee(int distance, std::string_view key, std::string* record) {
  const YearSources& src = kSources[distance];
  if (!files_.IsOpen(src.data_base)) files_.FAIOPEN(src.data_base);
  long r;
  if (distance <= 1) {
    r = static_cast<long>(ValInt(Mid(key, 6, 4)));
  } else {
    r = files_.IsamSearch(src.index_base, key, 2, 0);
    if (r == ArchiveFiles::kNoRecord || r <= 0) return false;
  }
  if (r <= 0 || files_.LEGGIREC(src.data_base, r) != 0) return false;
  *record = files_.RecordBuffer(src.data_base);
  return true;
}

ListEntry SelectionLists::EmployeeEntry(Screen screen, int order, std::string_view record,
                                        std::string_view key) {
  ListEntry entry;
  entry.code = PadRight(key, 10);
  const std::string& k = entry.code;
  // The name column's width depends on the screen and the order.
  size_t width = 31;
  if (screen == Screen::kUpdate) width = order == kOrderByName ? 78 : 80;
  if (screen == Screen::kPrint && order == kOrderByName) width = 40;
  const std::string shown = EmployeeName(codec_, record, width);
  entry.name = TrimRight(shown);
  if (screen == Screen::kUpdate) {
    if (order == kOrderByName) {
      entry.line = shown + " " + KeyColumns(k) + std::string(10, ' ') + k;
    } else {
      entry.line = PadRight(KeyColumns(k) + " " + shown, 100) + k;
    }
  } else if (screen == Screen::kPrint && order == kOrderByName) {
    entry.line = shown + " " + KeyColumns(k) + std::string(80, ' ') + k;
  } else {
    entry.line = PadRight(KeyColumns(k) + " " + shown, 80) + k;
  }
  return entry;
}

std::vector<ListEntry> SelectionLists::EmployeeList(Screen screen, int order, int year,
                                                    std::string_view company) {
  std::vector<ListEntry> entries;
  const int distance = processing_year_ - year;
  if (distance < 0 || distance > 4) return entries;  // no archives that far back
  static constexpr const char* kNames[5] = {"LISTA_DIPENDENTI_AC", "LISTA_DIPENDENTI_AP",
                                            "LISTA_DIPENDENTI_AP2", "LISTA_DIPENDENTI_AP3",
                                            "LISTA_DIPENDENTI_AP3"};
  trace_.TraceProcedure(kNames[distance]);
  CARICAESTRAZIONE(distance);
  // The memorization and loading screens always list by code.
  if (screen == Screen::kMemorize || screen == Screen::kLoad) order = kOrderByCode;

  // Earlier years' employees are found through the index, one lookup each.
  const ArchiveFiles::KeptIndexNodes kept_nodes(files_);
  std::string record;
  for (const std::string& key : extraction_) {
    if (Trim(key).empty()) break;
    if (key.compare(0, 3, company) != 0) continue;
    if (!ReadEmployee(distance, key, &record)) break;
    if (codec_.GetFieldValue(fields::kP768, 0, record) != 0) continue;
    if (screen == Screen::kMemorize && codec_.GetFieldValue(fields::kP054, 0, record) != 0) {
      // Someone no longer employed is listed only when the end of employment is not later
      // than the processing date.
      const std::string end = DdMmYyyyToKey(codec_.GetField(fields::kP017, 0, record));
      if (Val(end) > Val(processing_date_)) continue;
    }
    entries.push_back(EmployeeEntry(screen, order, record, key));
  }
  SortByLine(&entries);
  return entries;
}

bool SelectionLists::LoadEmployee(int year, std::string_view key) {
  const int distance = processing_year_ - year;
  if (distance < 0 || distance > 4) return false;
  const YearSources& src = kSources[distance];
  if (!files_.IsOpen(src.data_base)) files_.FAIOPEN(src.data_base);
  const long r = files_.IsamSearch(src.index_base, PadRight(key, 10), 2, 0);
  if (r == ArchiveFiles::kNoRecord || r <= 0) return false;
  if (files_.LEGGIREC(src.data_base, r) != 0) return false;
  codec_.SetCurrentRecord("DIPX$", files_.RecordBuffer(src.data_base));
  return true;
}

size_t MemorizeSelection::Add(const ListEntry& entry) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].code == entry.code) return i;
  }
  entries_.push_back(entry);
  return entries_.size() - 1;
}

void MemorizeSelection::AddAll(const std::vector<ListEntry>& entries) {
  for (const ListEntry& e : entries) Add(e);
}

void MemorizeSelection::Remove(size_t index) {
  if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<long>(index));
}

void MemorizeSelection::AskAndClear(Dialogs& dialogs) {
  if (dialogs.Ask("Attenzione viene elimanta la lista dei dipendenti da elaborare",
                  "Procedo alla eliminazione", MessageIcon::kQuestion)) {
    entries_.clear();
  }
}

bool YearNavigator::Forward(Dialogs& dialogs) {
  if (shown_ < processing_year_) {
    ++shown_;
    return true;
  }
  dialogs.Show("Non è possibile andare avanti oltre l'anno di elaborazione", kTitle,
               MessageIcon::kInformation);
  return false;
}

bool YearNavigator::Back(Dialogs& dialogs) {
  if (shown_ > kFirstYear) {
    --shown_;
    return true;
  }
  dialogs.Show("Non è possibile andare indietro oltre l'anno " + std::to_string(shown_), kTitle,
               MessageIcon::kInformation);
  return false;
}

}  // namespace kaveltar
