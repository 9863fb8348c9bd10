// Fuzz target: index bytes of any shape searched with IsamSearch operations 2 and 4, through
// a real index file and through the in-memory reader, and walked by the check walk.
//
// Input: one byte choosing the key length (1-12), then the index file. Keys probed: the ends
// of the key space and every key-sized slice found at an entry position of the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "archive/archive_files.h"
#include "archive/isam.h"
#include "archive_fuzz_util.h"

using namespace kaveltar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t k = 1 + data[0] % 12;
  const std::string_view index(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::filesystem::path& folder = fuzz::ScratchFolder();
  fuzz::WriteFile(folder / "QXBASE.DAT",
                  FormatCatalogueRecord("INDICE.IDX", static_cast<int>(IsamNodeLength(k))));
  fuzz::WriteFile(folder / "INDICE.IDX", index);

  // A sound index (the check walk finds nothing) must answer exactly as its entries say.
  const std::vector<std::string> problems = CheckIsamIndex(index, k, 8);
  if (problems.size() > 8) std::abort();
  const Result<std::vector<IsamEntry>> entries = ReadIsamEntries(index, k);
  if (entries.ok() != problems.empty()) std::abort();
  std::map<std::string, long> model;
  if (entries.ok()) {
    for (const IsamEntry& e : *entries) model.emplace(e.key, e.record);
  }

  std::vector<std::string> probes = {std::string(k, '0'), std::string(k, '\x01'),
                                     std::string(k, '\xFF'), std::string(k, ' ')};
  for (size_t at = 0; at + k <= index.size() && probes.size() < 64; at += k + 7) {
    probes.emplace_back(index.substr(at, k));
  }

  RecordingDialogs dialogs;
  TraceRing trace;
  ArchiveFiles files(folder, dialogs, trace);
  files.LoadCatalogue();
  IsamMemorySource memory(index, k);
  const long nodes = static_cast<long>(index.size() / IsamNodeLength(k));
  for (const std::string& key : probes) {
    const bool blank = key.find_first_not_of(' ') == std::string::npos;
    for (int operation : {2, 4}) {
      const long answer = files.IsamSearch(1, key, operation);
      if (nodes == 0 || blank) {
        if (answer != -1) std::abort();
        continue;
      }
      const IsamLookupResult r = IsamLookup(memory, key, operation == 4);
      const long expected = r.outcome == IsamOutcome::kFound      ? r.record
                            : r.outcome == IsamOutcome::kNoRecord ? ArchiveFiles::kNoRecord
                                                                  : -1;
      if (answer != expected) std::abort();
      if (entries.ok()) {
        const auto it = operation == 2 ? model.find(key) : model.upper_bound(key);
        const long truth = it == model.end() ? ArchiveFiles::kNoRecord : it->second;
        if (answer != truth) std::abort();
      }
    }
  }
  return 0;
}
