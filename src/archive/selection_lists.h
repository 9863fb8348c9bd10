// Companies, employees and the selection lists of the four working screens, without widgets.
//
// Which employees exist in a year comes from that year's employee extraction (a list of
// employee keys kept by the payroll program). By the distance d = processing year - shown
// year the sources are:
//
//   d  extraction                     employee archive  its index  record used by the lists
//   0  base 5, sequential ("AC")      2                 7          record = employee number
//   1  base 37, sequential ("AP")     29                30         record = employee number
//   2  index 32 walked ("AP2")        31                32         found through the index
//   3  index 92 walked ("AP3")        91                92         found through the index
//   4  index 85 walked                84                85         found through the index
//
// The hour profiles are base 96 (record number = profile code); companies are base 1
// (record number = company code).
//
// Every list entry carries its code (the company code or the employee key) and its name
// apart from the line the screens show, so nobody has to take a line apart again. Lines and
// names keep the archives' Windows-1252 bytes; front ends convert them to UTF-8 only to show
// them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_files.h"
#include "archive/field_codec.h"
#include "base/dialogs.h"
#include "base/trace.h"

namespace kaveltar {

// The four screens that select companies and employees (their variant numbers).
enum class Screen { kMemorize = 0, kUpdate = 1, kPrint = 2, kLoad = 3 };

// Orders of the company and employee lists (the option index of the screens).
inline constexpr int kOrderByCode = 0;
inline constexpr int kOrderByName = 1;

inline constexpr size_t kMaxExtraction = 10000;

struct YearSources {
  int extraction_base;  // sequential file (d 0-1) or index walked (d 2-4)
  bool sequential;
  int data_base;
  int index_base;
};
// Sources for year distance 0-4.
const YearSources& SourcesForDistance(int distance);

// The years the lists reach: the processing year and the four before it (the years that
// have an employee archive), never before 2008.
int OldestListYear(int processing_year);
bool IsListYear(int processing_year, int year);
// "" for a year the lists reach, else the operator's message: "anno Y non disponibile: gli
// elenchi vanno dal OLDEST al PROCESSING".
std::string ListYearError(int processing_year, int year);

// One entry of a company or employee list.
struct ListEntry {
  std::string code;  // company code (3 characters) or employee key (10, blank-padded)
  std::string name;  // the name column of the line, without its trailing blanks
  std::string line;  // the fixed-column line the screens show
  bool operator==(const ListEntry&) const = default;
};

// The codes of `entries`, in their order.
std::vector<std::string> EntryCodes(const std::vector<ListEntry>& entries);
// The entry of `entries` with `code`; null when none.
const ListEntry* FindEntry(const std::vector<ListEntry>& entries, std::string_view code);

class SelectionLists {
 public:
  SelectionLists(ArchiveFiles& files, FieldCodec& codec, Dialogs& dialogs, TraceRing& trace);

  // The processing year and date (YYYYMMDD) the lists compare with.
  void set_processing(int year, std::string processing_date);
  int processing_year() const { return processing_year_; }

  // Loads the extraction of year distance `variant` (0-4). An empty extraction of the
  // current or previous year shows its "Non esiste estrazione" message.
  void CARICAESTRAZIONE(int variant);
  // "AC", "AP", "AP2", "AP3": loads that extraction; any other type only keeps the current one.
  void ESTRAZIONEDIPENDENTI(std::string_view type);
  const std::vector<std::string>& extraction() const { return extraction_; }

  // Company entries of a screen in the given order, from the current extraction.
  std::vector<ListEntry> LISTA_AZIENDE(Screen screen, int order);
  // Employee entries of a screen for the company `company` (its three-character code) in the
  // year `year`; reloads that year's extraction.
  std::vector<ListEntry> EmployeeList(Screen screen, int order, int year, std::string_view company);
  // Reads an employee record of the year through the year's index (the printing screen's
  // employee click). Returns false when the key is not found; on success the record is the
  // current "DIPX$" record.
  bool LoadEmployee(int year, std::string_view key);
  // Reads a company record into the current "DITX$" record; false past the end.
  bool LoadCompany(int company);

 private:
  bool ReadEmployee(int distance, std::string_view key, std::string* record);
  ListEntry CompanyEntry(Screen screen, int order, std::string_view record);
  ListEntry EmployeeEntry(Screen screen, int order, std::string_view record, std::string_view key);

  ArchiveFiles& files_;
  FieldCodec& codec_;
  Dialogs& dialogs_;
  TraceRing& trace_;
  int processing_year_ = 0;
  std::string processing_date_;
  std::vector<std::string> extraction_;
};

// The employee selection of the memorization screen: candidates on the left, employees to
// process on the right.
class MemorizeSelection {
 public:
  // Adds a candidate unless an entry with the same key is already there; returns the index
  // of the entry that is now selected.
  size_t Add(const ListEntry& entry);
  void AddAll(const std::vector<ListEntry>& entries);
  void Remove(size_t index);
  // Asks "Attenzione viene elimanta la lista dei dipendenti da elaborare" /
  // "Procedo alla eliminazione"; Yes clears the list.
  void AskAndClear(Dialogs& dialogs);
  const std::vector<ListEntry>& entries() const { return entries_; }

 private:
  std::vector<ListEntry> entries_;
};

// The year shown by a screen and its back/forward buttons.
class YearNavigator {
 public:
  YearNavigator(int processing_year) : processing_year_(processing_year), shown_(processing_year) {}
  int shown() const { return shown_; }
  int distance() const { return processing_year_ - shown_; }
  // Forward/back by one year; false (after the message) when the limit is reached.
  bool Forward(Dialogs& dialogs);
  bool Back(Dialogs& dialogs);

  static constexpr int kFirstYear = 2008;

 private:
  int processing_year_;
  int shown_;
};

}  // namespace kaveltar
