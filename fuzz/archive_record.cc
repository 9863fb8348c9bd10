// Fuzz target: a record file of arbitrary bytes read through LEGGIREC and decoded through the
// field codec, with descriptors both well-formed and taken from the input.
//
// Input: two bytes choosing the record length (1-2048), 24 bytes used as one more descriptor,
// then the file's contents.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive/archive_files.h"
#include "archive/field_codec.h"
#include "archive/fields.h"
#include "archive_fuzz_util.h"
#include "base/fatal.h"
#include "base/run_time_error.h"

using namespace kaveltar;

namespace {

constexpr std::string_view kDescriptors[] = {fields::kP001,
                                             fields::kP002,
                                             fields::kP013,
                                             fields::kP054,
                                             fields::kP766,
                                             fields::kT001,
                                             fields::kF419,
                                             fields::kZ003,
                                             fields::kProfileDays[3],
                                             "DIPX$,00001,05,2,0,P900",
                                             "DIPX$,00002,03,N,0,P901",
                                             "DIPX$,00001,99,9,0,P902",
                                             "DIPX$,00004,02,0,0,P903",
                                             "CONX$,00101,04,N,0,G001",
                                             "F24X$,01077,06,3,0,A001",
                                             "DI2X$,00010,04,N,0,I150",
                                             "M77X$,00256,02,A,0,H001",
                                             "DICX$,00101,08,D,0,J001"};

void Exercise(FieldCodec& codec, std::string_view descriptor, int occurrence,
              const std::string& record) {
  try {
    const std::string text = codec.GetField(descriptor, occurrence, record);
    const double value = codec.GetFieldValue(descriptor, occurrence, record);
    const auto d = ParseDescriptor(descriptor);
    if (!d || text.size() > static_cast<size_t>(d->width) + 2) std::abort();
    std::string copy = record;
    codec.PutField(descriptor, text, occurrence, &copy);
    if (copy.size() != record.size()) std::abort();
    // A text field read whole from the record writes back unchanged.
    if (d->type == 'A' && occurrence == 0 &&
        static_cast<size_t>(d->position - 1 + d->width) <= record.size() && copy != record) {
      std::abort();
    }
    codec.PutFieldValue(descriptor, value, occurrence, &copy);
    if (copy.size() != record.size()) std::abort();
    if (d->type >= '1' && d->type <= '9') (void)RoundToText(value, d->type - '0');
    (void)ExpandExponent(text);
    codec.SetCurrentRecord(descriptor, record);
    (void)codec.GetField(descriptor, occurrence);
  } catch (const RunTimeError& e) {
    if (e.number() != 5) std::abort();  // only a malformed descriptor may fail
  } catch (const Fatal& e) {
    if (e.text() != "ERRORE REPOSITORY - STRCOSTANTE") std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 26) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int length = 1 + (data[0] | data[1] << 8) % 2048;
  const std::string_view own_descriptor = bytes.substr(2, 24);
  const std::filesystem::path& folder = fuzz::ScratchFolder();
  fuzz::WriteFile(folder / "QXBASE.DAT", FormatCatalogueRecord("REC.DAT", length));
  fuzz::WriteFile(folder / "REC.DAT", bytes.substr(26));

  RecordingDialogs dialogs;
  TraceRing trace;
  FieldCodec codec(dialogs);
  ArchiveFiles files(folder, dialogs, trace);
  files.LoadCatalogue();
  if (files.FAIOPEN(1) != length) std::abort();
  const long whole = files.RecordCount(1);
  long r = 1;
  for (; r <= 64 && files.LEGGIREC(1, r) == 0; ++r) {
    const std::string record = files.RecordBuffer(1);
    if (record.size() != static_cast<size_t>(length)) std::abort();
    for (std::string_view d : kDescriptors) Exercise(codec, d, static_cast<int>(r % 4), record);
    Exercise(codec, own_descriptor, data[2] % 5, record);
  }
  if (r <= 64 && r != whole + 1) std::abort();  // the end comes after the last whole record

  // A buffer of the wrong length is refused and left as it is.
  files.RecordBuffer(1) += "x";
  const std::string before = files.RecordBuffer(1);
  try {
    files.LEGGIREC(1, 1);
    std::abort();
  } catch (const RunTimeError& e) {
    if (e.number() != 59 || files.RecordBuffer(1) != before) std::abort();
  }
  return 0;
}
