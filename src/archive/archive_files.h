// Archive files: the payroll archives opened by base number (1-600), their record buffers,
// file names built from the catalogue templates, and keyed access through index files.
//
// File-name template placeholders (each replaced in place):
//   "!:\" at the start  the OpenContext substitute folder: a value beginning with "A" or "B"
//                       replaces only "!"; any other value replaces "!:". The name is then
//                       used without the archive folder (drive letters map to folders).
//   "###"               company code, three digits
//   "**"                year, last two digits
//   "@@"                region, two digits
//   "%%"                province, two characters
//   "$$"                installation code
// Records are numbered from 1; record r of a file with record length L starts at byte
// (r - 1) * L. Files are opened shared: no locks are taken (the payroll program works on the
// same files).
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "archive/catalogue.h"
#include "base/dialogs.h"
#include "base/trace.h"

namespace kaveltar {

// Values a caller sets before a file name is built. Company, year, region and province are
// cleared after filling a placeholder; the installation code stays.
struct OpenContext {
  std::string substitute_folder;
  std::string company;
  std::string year;
  std::string region;
  std::string province;
  std::string installation_code;
};

class ArchiveFiles {
 public:
  static constexpr long kNoRecord = 999999;  // IsamSearch: no (further) record
  static constexpr long kIsamError = -1;     // IsamSearch: an error message was shown

  ArchiveFiles(std::filesystem::path archive_folder, Dialogs& dialogs, TraceRing& trace);
  ~ArchiveFiles();
  ArchiveFiles(const ArchiveFiles&) = delete;
  ArchiveFiles& operator=(const ArchiveFiles&) = delete;

  // Reads QXBASE.DAT from the archive folder. Missing or unreadable: throws RunTimeError 53
  // naming the file; malformed: RunTimeError with the parser's message.
  void LoadCatalogue();
  void SetCatalogue(BaseFileTable table) { catalogue_ = std::move(table); }
  const BaseFileTable& catalogue() const { return catalogue_; }
  const std::filesystem::path& archive_folder() const { return archive_folder_; }

  OpenContext& context() { return context_; }

  // The file name of base n from its template and the OpenContext; with `with_folder` and no
  // "!:\" substitution, the archive folder, "/" and the name. Sets n's record length.
  // n <= 0 gives "". A missing company/year/region/province throws Fatal with its message.
  std::string DAMMIFILE(int base, bool with_folder);
  // The path the name of base n resolves to on this machine (drive letters mapped, existing
  // names matched case-insensitively).
  std::filesystem::path ResolvePath(int base);

  // Opens base n for shared record access (created when missing); returns its record length
  // (0 for n <= 0). The record buffer becomes record-length blanks.
  int FAIOPEN(int base);
  // Text access through the same naming: mode 0 input, mode 1 output (existing file deleted).
  std::fstream& FAIOPENIO(int base, int mode);
  std::fstream* TextStream(int base);

  // Reads record r into the record buffer; 1 when the read reached the end of the file (the
  // buffer is then left unchanged), else 0. Wrong buffer length: RunTimeError 59.
  int LEGGIREC(int base, long record);
  // Replaces the buffer with `text` when not empty, then writes it as record r.
  // Wrong length: RunTimeError 59, nothing written.
  void SCRIVIREC(int base, long record, std::string_view text = {});

  // n != 0 closes n; n = 0 closes every file.
  void CloseArchiveFile(int base);
  // 1 when the file of n exists and is longer than 0 bytes.
  int VERBASE(int base);
  // Closes n and deletes its file when it is longer than 0 bytes.
  void ELIMINA(int base);
  // ELIMINA then FAIOPEN with the same name: leaves an empty file open.
  int ResetArchiveFile(int base);
  // Closes n if open (a handle is taken when it is opened again).
  void AssignFileNumber(int base);

  bool IsOpen(int base) const;
  std::string& RecordBuffer(int base);
  int RecordLength(int base) const;
  long LastRecord(int base) const;
  // Number of whole records in the open file of n (0 when not open).
  long RecordCount(int base) const;

  // Keyed access through the index file of `index_base` (see isam.h). Operation 2: the data
  // record number of `key`, or 999999. Operation 4: the record number of the first entry
  // after `key` in key order, or 999999. Errors show their message and give -1.
  long IsamSearch(int index_base, std::string_view key, int operation, int fourth = 0);

 private:
  struct Channel;
  Channel& channel(int base);
  const Channel* find_channel(int base) const;

  std::filesystem::path archive_folder_;
  Dialogs& dialogs_;
  TraceRing& trace_;
  BaseFileTable catalogue_;
  OpenContext context_;
  std::array<std::unique_ptr<Channel>, kMaxBaseNumber + 1> channels_;
};

}  // namespace kaveltar
