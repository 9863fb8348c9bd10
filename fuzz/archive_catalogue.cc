// Fuzz target: the catalogue parser QXBASE.DAT, and file names built from whatever templates
// it accepts under a context taken from the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive/archive_files.h"
#include "archive/catalogue.h"
#include "base/fatal.h"
#include "base/run_time_error.h"
#include "base/text.h"

using namespace kaveltar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Result<BaseFileTable> table = BaseFileTable::Parse(bytes);
  if (!table.ok()) {
    // A refused catalogue names the base at fault.
    if (table.status().message().find("base ") == std::string::npos) std::abort();
    return 0;
  }
  const size_t records = std::min<size_t>(size / kCatalogueRecordLength, kMaxBaseNumber);
  if (table->size() != static_cast<int>(records)) std::abort();
  for (int base = 1; base <= table->size(); ++base) {
    const CatalogueEntry* e = table->Find(base);
    if (e == nullptr || e->name_template.size() > 29 || e->record_length < 0 ||
        e->record_length > 99999) {
      std::abort();
    }
    if (!e->name_template.empty() && e->name_template.back() == ' ') std::abort();
    // What the demo installation writes reads back the same.
    const Result<BaseFileTable> again =
        BaseFileTable::Parse(FormatCatalogueRecord(e->name_template, e->record_length));
    if (!again.ok() || again->Find(1)->name_template != e->name_template ||
        again->Find(1)->record_length != e->record_length) {
      std::abort();
    }
  }
  if (table->Find(0) != nullptr || table->Find(table->size() + 1) != nullptr) std::abort();

  // Names from hostile templates, with context values cut from the input.
  RecordingDialogs dialogs;
  TraceRing trace;
  ArchiveFiles files("/nonexistent/kaveltar-fuzz", dialogs, trace);
  files.SetCatalogue(std::move(*table));
  for (int base = 0; base <= std::min(files.catalogue().size(), 40); ++base) {
    const std::string_view slice = bytes.substr(static_cast<size_t>(base) * 7 % (size + 1));
    OpenContext& ctx = files.context();
    ctx.company = std::string(Mid(slice, 0, 4));
    ctx.year = std::string(Mid(slice, 1, 4));
    ctx.region = std::string(Mid(slice, 2, 3));
    ctx.province = std::string(Mid(slice, 3, static_cast<size_t>(base % 3 + 1)));
    ctx.installation_code = std::string(Mid(slice, 4, 2));
    ctx.substitute_folder = std::string(Mid(slice, 5, static_cast<size_t>(base % 5)));
    try {
      const std::string name = files.DAMMIFILE(base, base % 2 == 0);
      if (base <= 0 && !name.empty()) std::abort();
      if (base > 0 && ctx.year.size() > 2) std::abort();  // every build rewrites it
    } catch (const Fatal& e) {
      if (e.text().rfind("ERRORE OPEN", 0) != 0) std::abort();
    } catch (const RunTimeError&) {
    }
  }
  return 0;
}
