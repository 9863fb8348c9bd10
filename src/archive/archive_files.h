// Archive files: the payroll archives opened by base number (1-600), their record buffers,
// file names built from the catalogue templates, and keyed access through index files.
//
// File-name template placeholders (each occurrence replaced in place):
//   "!:\" at the start  the OpenContext substitute folder: a value beginning with "A" or "B"
//                       replaces only "!"; any other value replaces "!:". The name is then
//                       used without the archive folder (drive letters map to folders).
//   "###"               company code, three digits
//   "**"                year, last two digits
//   "@@"                region, two digits
//   "%%"                province, two characters
//   "$$"                installation code
// Names are looked up ignoring case (the archives come from Windows); a new file is created
// with the name as given, in its folder matched ignoring case.
//
// Records are numbered from 1; record r of a file with record length L starts at byte
// (r - 1) * L. Files are opened shared: no locks are taken (the payroll program works on the
// same files).
//
// Failures are run-time errors (RunTimeError) for the general error handler, numbered as the
// payroll program's runtime numbers them: 5 bad argument, 9 base outside 0-600, 52 base not
// open or without a file in the catalogue, 53 file not found, 57 device I/O error, 59 bad
// record length, 63 bad record number, 75 path/file access error, 76 path not found. Every
// description names the file or the base. A missing company, year, region or province ends
// the program (Fatal with the payroll program's message).
#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "archive/catalogue.h"
#include "base/dialogs.h"
#include "base/status.h"
#include "base/trace.h"

namespace kaveltar {

// Values a caller sets before a file name is built. Every build rewrites company (three
// digits), year and region (two digits) as their numbers, zero-padded, last digits kept
// ("7" -> "007", "2024" -> "24"); the placeholder tests use the values as they were. Each of
// substitute folder, company, year, region and province is cleared after it has filled a
// placeholder, so a caller sets what it needs before every open; the installation code stays.
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
  // n <= 0, or no file for n in the catalogue, gives "". A missing company/year/region/
  // province throws Fatal with its message. Traces "DAMMIFILE$ (n)".
  std::string DAMMIFILE(int base, bool with_folder);
  // The path the name of base n resolves to on this machine (drive letters mapped, existing
  // names matched ignoring case). Builds the name, so it uses up the OpenContext as
  // DAMMIFILE does; empty when DAMMIFILE would give "".
  std::filesystem::path ResolvePath(int base);

  // Opens base n for shared record access, read-write, creating the file when missing; a
  // file that exists but may only be read is opened read-only (writes then raise 75). Closes
  // what n held before. Returns the record length (0 for n <= 0, which does nothing). The
  // record buffer becomes record-length blanks. Traces "FAIOPEN".
  int FAIOPEN(int base);
  // Text access through the same naming: mode 0 input (missing file: 53), mode 1 output
  // (an existing file is deleted first). Traces "FAIOPENIO".
  std::fstream& FAIOPENIO(int base, int mode);
  // The text stream FAIOPENIO opened for n; nullptr when none.
  std::fstream* TextStream(int base);

  // Reads record r into the record buffer; 1 when the read reached the end of the file (a
  // partial last record counts as the end; the buffer is then left unchanged), else 0.
  // Stores r as the last record and traces "LEGGIREC (n-r)". Errors leave the buffer as it
  // was: 52 not open, 59 buffer not exactly the record length (or record length 0),
  // 63 r < 1, 57 I/O error.
  int LEGGIREC(int base, long record);
  // Replaces the buffer with `text` when not empty, then writes it as record r (past the end
  // of the file the file grows). Traces "SCRIVIREC (n-r)". A text or buffer that is not
  // exactly the record length: 59, and neither the buffer nor the file changes; 52, 63 as
  // LEGGIREC; 75 for a file opened read-only.
  void SCRIVIREC(int base, long record, std::string_view text = {});

  // n != 0 closes n; n = 0 closes every file.
  void CloseArchiveFile(int base);
  // 1 when the file of n exists and is longer than 0 bytes. Builds the name (uses up the
  // OpenContext). Traces "VERBASE".
  int VERBASE(int base);

  bool IsOpen(int base) const;
  std::string& RecordBuffer(int base);
  int RecordLength(int base) const;
  // Number of whole records in the open file of n (0 when not open).
  long RecordCount(int base) const;
  // Bytes in the open file of n; -1 when it is not open or cannot be measured.
  long long FileSize(int base) const;
  // The path the file of n was opened under; empty when it is not open.
  std::filesystem::path OpenPath(int base) const;

  // Checks made before writing back into another program's archive a record found through
  // an index. CheckWholeRecords: the open file of `base` must hold a whole number of records
  // of the catalogue's length (a wrong length in the catalogue would shift every write into
  // the neighbouring records). CheckRecordKey: record `record` must carry the key that was
  // looked up (`stored_key`, the record's own key field, against `key`; both trimmed), or the
  // index points at another record. The messages name the file, the record and the cause.
  Status CheckWholeRecords(int base) const;
  Status CheckRecordKey(int base, long record, std::string_view stored_key,
                        std::string_view key) const;

  // Keyed access through the index file of `index_base` (see isam.h), opened when needed
  // with the OpenContext saved and restored around the open. Operation 2: the data record
  // number of `key`, or 999999. Operation 4: the record number of the first entry after
  // `key` in key order, or 999999. The key length is the index's key length. Errors show
  // their message (title "Salarion", critical icon) and give -1: "ERRORE ISAM - LUNK=0",
  // "ERRORE ISAM - LUNK NO OK", "ERRORE ISAM - FILE VUOTO " + base, "ERRORE ISAM -
  // K=BLANK", "ERR.ISAM - N.REC.=0" (a zero record number on the way), "ERRORE CODICE ISAM "
  // + operation (anything but 2 and 4: this program never changes an index) and, for a tree
  // that breaks the layout rules, "ERRORE ISAM - INDICE DANNEGGIATO " + base. `fourth` is
  // not used by operations 2 and 4. Traces "IsamSearch".
  long IsamSearch(int index_base, std::string_view key, int operation, int fourth = 0);

  // While one is alive, IsamSearch keeps the index nodes it reads and takes them from memory
  // in later searches, as long as the index file keeps its inode, size and times; the first
  // search after any of them changes reads the file again. A job that looks up thousands of
  // keys holds one for its length: without it every search reads three nodes from the file.
  class KeptIndexNodes {
   public:
    explicit KeptIndexNodes(ArchiveFiles& files) : files_(files) { ++files_.keep_index_nodes_; }
    ~KeptIndexNodes();
    KeptIndexNodes(const KeptIndexNodes&) = delete;
    KeptIndexNodes& operator=(const KeptIndexNodes&) = delete;

   private:
    ArchiveFiles& files_;
  };

 private:
  struct Channel;
  struct BuiltName {
    std::string name;          // empty: the catalogue has no file for the base
    bool substituted = false;  // "!:\" gave the name its own folder
  };
  BuiltName BuildName(int base);
  std::filesystem::path ResolveBuilt(const BuiltName& built) const;
  Channel& channel(int base);
  const Channel* find_channel(int base) const;

  std::filesystem::path archive_folder_;
  Dialogs& dialogs_;
  TraceRing& trace_;
  BaseFileTable catalogue_;
  OpenContext context_;
  std::array<std::unique_ptr<Channel>, kMaxBaseNumber + 1> channels_;
  int keep_index_nodes_ = 0;  // KeptIndexNodes alive
};

}  // namespace kaveltar
