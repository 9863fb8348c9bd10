#include "demo/demo_archives.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "archive/bases.h"
#include "archive/catalogue.h"
#include "archive/field_codec.h"
#include "archive/fields.h"
#include "archive/isam.h"
#include "base/dates.h"
#include "base/dialogs.h"
#include "base/encoding.h"
#include "base/text.h"
#include "demo/demo_random.h"
#include "demo/demo_tables.h"

namespace kaveltar::demo {
namespace fs = std::filesystem;
namespace {

constexpr int kCompanyRecordLength = 3000;
constexpr int kEmployeeRecordLength = 14600;
constexpr int kExtractionRecordLength = 200;
constexpr int kPeriodRecordLength = 128;
constexpr int kParameterRecordLength = 3000;
constexpr int kIndexRecordLength = static_cast<int>(IsamNodeLength(10));
constexpr int kProfileRecordLength = 200;
constexpr int kFormulaRecordLength = 256;
constexpr int kChangesRecordLength = 512;
constexpr int kCatalogueRecords = kMaxBaseNumber;
constexpr int kFormulaRecords = 99;  // the last one, 99, is a cancelled formula

constexpr CatalogueRow kCatalogue[] = {
    {1, "DITTE.DAT", kCompanyRecordLength},
    {2, "DIPEND.DAT", kEmployeeRecordLength},
    {3, "CED###**.DAT", 4096},
    {4, "PROGR###.DAT", 2048},
    {5, "ESTRAC.DAT", kExtractionRecordLength},
    {6, "PERIODO.DAT", kPeriodRecordLength},
    {7, "IDXDIP.IDX", kIndexRecordLength},
    {8, "F24###.DAT", 6000},
    {10, "INAIL@@.DAT", 512},
    {11, "COMUNI%%.DAT", 120},
    {12, "CUD###**.DAT", 8000},
    {19, "PARSTUD.DAT", kParameterRecordLength},
    {20, "CONTRATT.DAT", 1500},
    {21, "LIVELLI.DAT", 300},
    {29, "DIPAP.DAT", kEmployeeRecordLength},
    {30, "IDXDIPAP.IDX", kIndexRecordLength},
    {31, "DIPAP2.DAT", kEmployeeRecordLength},
    {32, "IDXDAP2.IDX", kIndexRecordLength},
    {37, "ESTRACAP.DAT", kExtractionRecordLength},
    {40, "M770**.DAT", 4000},
    {50, "UNIEM###.DAT", 3000},
    {60, "!:\\SALVA\\QXSAVE.DAT", 1024},
    {84, "DIPAP4.DAT", kEmployeeRecordLength},
    {85, "IDXDAP4.IDX", kIndexRecordLength},
    {86, "VARDAP4.DAT", kChangesRecordLength},
    {91, "DIPAP3.DAT", kEmployeeRecordLength},
    {92, "IDXDAP3.IDX", kIndexRecordLength},
    {93, "VARDAP3.DAT", kChangesRecordLength},
    {96, "PROFILI.DAT", kProfileRecordLength},
    {100, "STORIC$$.DAT", 1024},
    {280, "STAMPA$$.INI", 0},
    {401, "FORMULE.DAT", kFormulaRecordLength},
};

constexpr YearBases kYearBases[5] = {
    {bases::kEmployees, bases::kEmployeeIndex, bases::kExtraction},
    {bases::kEmployeesYear1, bases::kEmployeeIndexYear1, bases::kExtractionYear1},
    {bases::kEmployeesYear2, bases::kEmployeeIndexYear2, 0},
    {bases::kEmployeesYear3, bases::kEmployeeIndexYear3, 0},
    {bases::kEmployeesYear4, bases::kEmployeeIndexYear4, 0}};

const CatalogueRow& Row(int base) {
  for (const CatalogueRow& r : kCatalogue) {
    if (r.base == base) return r;
  }
  return kCatalogue[0];  // not reached: callers name catalogued bases
}

fs::path PathOf(const fs::path& folder, int base) {
  std::string name(Row(base).name_template);
  if (const size_t at = name.find("$$"); at != std::string::npos) {
    name.replace(at, 2, kDemoInstallationCode);
  }
  return folder / name;
}

// A file of fixed-length records written through one large stdio buffer.
class RecordFile {
 public:
  RecordFile(fs::path path, int record_length)
      : path_(std::move(path)), record_length_(static_cast<size_t>(record_length)) {}
  ~RecordFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  Status Open() {
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) return Failure();
    buffer_ = std::make_unique<char[]>(kBufferSize);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
    return Status::Ok();
  }
  // `record` is exactly one record long (the builders make it so).
  void Write(std::string_view record) {
    if (std::fwrite(record.data(), 1, record.size(), file_) != record.size()) failed_ = true;
    ++records_;
  }
  void WriteBlank(long count) {
    if (count <= 0) return;
    if (blank_.size() != record_length_) blank_.assign(record_length_, ' ');
    for (long i = 0; i < count; ++i) Write(blank_);
  }
  Status Close() {
    const bool write_error = failed_ || std::ferror(file_) != 0;
    const int close_result = std::fclose(file_);
    file_ = nullptr;
    if (write_error || close_result != 0) return Failure();
    return Status::Ok();
  }
  long records() const { return records_; }

 private:
  static constexpr size_t kBufferSize = 1 << 20;
  Status Failure() const {
    return Status::IoError("Impossibile scrivere " + path_.string() + ": " + std::strerror(errno));
  }

  fs::path path_;
  size_t record_length_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::string blank_;
  long records_ = 0;
  bool failed_ = false;
};

Status WriteTextFile(const fs::path& path, std::string_view text) {
  RecordFile file(path, 1);
  if (Status s = file.Open(); !s.ok()) return s;
  file.Write(text);
  return file.Close();
}

// Fills a record through the field codec; texts given in UTF-8 are stored in Windows-1252.
class RecordBuilder {
 public:
  explicit RecordBuilder(FieldCodec& codec) : codec_(codec) {}
  void Start(std::string* record, int length) {
    record_ = record;
    record_->assign(static_cast<size_t>(length), ' ');
  }
  void Put(std::string_view descriptor, std::string_view value) {
    codec_.PutField(descriptor, value, 0, record_);
  }
  void Text(std::string_view descriptor, std::string_view utf8) {
    codec_.PutField(descriptor, Utf8ToCp1252(utf8), 0, record_);
  }
  void Number(std::string_view descriptor, long value) {
    codec_.PutField(descriptor, std::to_string(value), 0, record_);
  }

 private:
  FieldCodec& codec_;
  std::string* record_ = nullptr;
};

std::string Code3(int code) { return ZeroPad(code, 3); }

void BuildEmployee(RecordBuilder& b, const Employee& e, int archive_year, std::string* record) {
  using namespace fields;
  b.Start(record, kEmployeeRecordLength);
  b.Put(kP001, e.key);
  b.Text(kP002, e.surname);
  b.Text(kP003, e.first_name);
  b.Put(kP004, e.tax_code);
  b.Put(kP013, e.hired.Ddmmyyyy());
  // The end of employment shows from the archive of the year it happened.
  const bool ended = !e.left.empty() && e.left.y <= archive_year;
  if (ended) b.Put(kP017, e.left.Ddmmyyyy());
  b.Number(kP054, ended ? e.status : 0);
  b.Put(kP102, e.staff_number);
  if (!e.profile.empty()) b.Put(kP138, e.profile);
  b.Number(kP447, e.collaborator ? 1 : 0);
  b.Number(kP529, e.grant_holder ? 1 : 0);
  b.Number(kP766, e.groups[0]);
  b.Number(kP767, e.letter_sheet ? 1 : 0);
  b.Number(kP768, e.not_listed ? 1 : 0);
  b.Number(kP772, e.groups[1]);
  b.Number(kP773, e.groups[2]);
  b.Number(kP774, e.groups[3]);
  b.Number(kP775, e.groups[4]);
  b.Number(kP776, e.change_day);
  b.Number(kP777, e.position);
  b.Number(kP890, e.excluded ? 1 : 0);
  if (!e.pdf_password.empty()) b.Put(kP977, e.pdf_password);
}

Status WriteCatalogue(const fs::path& folder) {
  std::string bytes;
  bytes.reserve(kCatalogueRecordLength * static_cast<size_t>(kCatalogueRecords));
  for (int base = 1; base <= kCatalogueRecords; ++base) {
    bool found = false;
    for (const CatalogueRow& r : kCatalogue) {
      if (r.base != base) continue;
      bytes += FormatCatalogueRecord(r.name_template, r.record_length);
      found = true;
    }
    if (!found) bytes.append(kCatalogueRecordLength, ' ');
  }
  return WriteTextFile(folder / "QXBASE.DAT", bytes);
}

class ArchiveWriter {
 public:
  ArchiveWriter(const Population& population, uint64_t seed, fs::path folder,
                std::vector<DemoArchiveFile>* files)
      : pop_(population),
        rng_(seed ^ 0x5DEECE66DULL),
        folder_(std::move(folder)),
        codec_(dialogs_),
        builder_(codec_),
        files_(files) {}

  Status WriteAll(std::array<int, 5>* by_year) {
    if (Status s = WriteCompanies(); !s.ok()) return s;
    if (Status s = WritePeriod(); !s.ok()) return s;
    if (Status s = WriteParameters(); !s.ok()) return s;
    for (int d = 0; d < 5; ++d) {
      if (Status s = WriteYear(d, &(*by_year)[static_cast<size_t>(d)]); !s.ok()) return s;
    }
    for (int base : {bases::kChangesYear4, bases::kChangesYear3}) {
      if (Status s = WriteRecords(base, [](RecordFile&) {}); !s.ok()) return s;
    }
    if (Status s = WriteProfiles(); !s.ok()) return s;
    if (Status s = WriteFormulas(); !s.ok()) return s;
    return WritePrinterSettings();
  }

 private:
  // Opens the file of `base`, lets `fill` write its records, closes it and lists it.
  template <typename Fill>
  Status WriteRecords(int base, Fill fill) {
    RecordFile file(PathOf(folder_, base), Row(base).record_length);
    if (Status s = file.Open(); !s.ok()) return s;
    fill(file);
    if (Status s = file.Close(); !s.ok()) return s;
    files_->push_back({base, PathOf(folder_, base), Row(base).record_length, file.records()});
    return Status::Ok();
  }

  Status WriteCompanies() {
    return WriteRecords(bases::kCompanies, [&](RecordFile& file) {
      using namespace fields;
      for (const Company& c : pop_.companies) {
        file.WriteBlank(c.code - 1 - file.records());
        builder_.Start(&record_, kCompanyRecordLength);
        builder_.Number(kT001, c.code);
        // A name longer than T002 continues in T003.
        const std::string name = Utf8ToCp1252(c.name);
        builder_.Put(kT002, name.substr(0, 30));
        if (name.size() > 30) builder_.Put(kT003, name.substr(30));
        builder_.Put(kT007, c.inail_office);
        if (!c.holiday.empty()) builder_.Put(kT030, c.holiday);
        if (!c.pdf_password.empty()) builder_.Put(kT364, c.pdf_password);
        builder_.Number(kT466, c.page_number);
        file.Write(record_);
      }
    });
  }

  Status WritePeriod() {
    const Day last{pop_.year, pop_.month, MonthLength(pop_.month, pop_.year)};
    return WriteRecords(bases::kProcessingDate, [&](RecordFile& file) {
      record_.assign(kPeriodRecordLength, ' ');
      record_.replace(0, 8, last.Ddmmyyyy());
      file.Write(record_);
    });
  }

  Status WriteParameters() {
    return WriteRecords(bases::kParameters, [&](RecordFile& file) {
      using namespace fields;
      builder_.Start(&record_, kParameterRecordLength);
      builder_.Put(kF161, kDemoMunicipalityHoliday);
      builder_.Number(kF419, 0);  // one running sheet number for the whole office
      builder_.Number(kF416, rng_.Between(1, 2400));
      builder_.Put(kF357, "Studio" + ZeroPad(rng_.Between(0, 9999), 4));
      file.Write(record_);
    });
  }

  Status WriteYear(int distance, int* count) {
    const YearBases bases = kYearBases[distance];
    const int year = pop_.year - distance;
    std::vector<const Employee*> present;
    for (const Employee& e : pop_.employees) {
      if (e.InYear(year)) present.push_back(&e);
    }
    *count = static_cast<int>(present.size());

    // The archives of this year and the year before are read by employee number; the older
    // ones only through their index, and keep their records in order of hiring.
    std::vector<const Employee*> order = present;
    const bool by_number = distance <= 1;
    if (!by_number) {
      std::stable_sort(order.begin(), order.end(), [](const Employee* a, const Employee* b) {
        return a->hired.Key() < b->hired.Key();
      });
    }
    std::vector<long> record_of(order.size());
    Status s = WriteRecords(bases.archive, [&](RecordFile& file) {
      for (size_t i = 0; i < order.size(); ++i) {
        const Employee& e = *order[i];
        if (by_number) file.WriteBlank(e.number - 1 - file.records());
        BuildEmployee(builder_, e, year, &record_);
        file.Write(record_);
        record_of[i] = file.records();
      }
    });
    if (!s.ok()) return s;

    std::vector<IsamEntry> entries;
    entries.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) entries.push_back({order[i]->key, record_of[i]});
    std::sort(entries.begin(), entries.end(),
              [](const IsamEntry& a, const IsamEntry& b) { return a.key < b.key; });
    const fs::path index = PathOf(folder_, bases.index);
    if (s = BuildIsamIndexFile(index, 10, entries); !s.ok()) return s;
    files_->push_back({bases.index, index, kIndexRecordLength,
                       static_cast<long>(fs::file_size(index) / kIndexRecordLength)});

    if (bases.extraction == 0) return Status::Ok();
    return WriteRecords(bases.extraction, [&](RecordFile& file) {
      record_.assign(kExtractionRecordLength, ' ');
      size_t slot = 0;
      for (const Employee* e : present) {
        record_.replace(slot * 10, 10, e->key);
        if (++slot == 20) {
          file.Write(record_);
          record_.assign(kExtractionRecordLength, ' ');
          slot = 0;
        }
      }
      record_.replace(slot * 10, 10, "9999999999");
      file.Write(record_);
    });
  }

  Status WriteProfiles() {
    return WriteRecords(bases::kProfiles, [&](RecordFile& file) {
      for (const ProfileDef& p : DemoProfiles()) {
        file.WriteBlank(p.code - 1 - file.records());
        builder_.Start(&record_, kProfileRecordLength);
        // Positions 1-3 the code and 4-30 the description, as the payroll keeps them.
        record_.replace(0, 3, Code3(p.code));
        record_.replace(3, 27, PadRight(Utf8ToCp1252(p.description), 27));
        for (size_t d = 0; d < 7; ++d) builder_.Put(fields::kProfileDays[d], p.hours[d]);
        file.Write(record_);
      }
    });
  }

  Status WriteFormulas() {
    return WriteRecords(bases::kFormulas, [&](RecordFile& file) {
      using namespace fields;
      for (int code = 1; code <= kFormulaRecords; ++code) {
        const FormulaDef* formula = nullptr;
        for (const FormulaDef& f : DemoFormulas()) {
          if (f.code == code) formula = &f;
        }
        builder_.Start(&record_, kFormulaRecordLength);
        if (formula != nullptr) {
          builder_.Number(kZ001, code);
          builder_.Text(kZ002, formula->description);
          builder_.Text(kZ003, formula->text);
        } else {
          // A free record, or (the last one) a cancelled formula that keeps its text.
          record_.replace(0, 2, "99");
          if (code == kFormulaRecords) {
            builder_.Number(kZ001, code);
            builder_.Text(kZ002, "VOCE ANNULLATA");
          }
        }
        file.Write(record_);
      }
    });
  }

  Status WritePrinterSettings() {
    // First line the standard printer, second line the printer for the graphic sheets. The
    // names match no printer of a fresh machine, so the system's default printer is used.
    const fs::path path = PathOf(folder_, 280);
    if (Status s = WriteTextFile(path, "Ufficio-Paghe\r\nUfficio-Paghe-Laser\r\n"); !s.ok()) {
      return s;
    }
    files_->push_back({280, path, 0, 2});
    return Status::Ok();
  }

  const Population& pop_;
  DemoRandom rng_;
  fs::path folder_;
  RecordingDialogs dialogs_;
  FieldCodec codec_;
  RecordBuilder builder_;
  std::vector<DemoArchiveFile>* files_;
  std::string record_;
};

}  // namespace

Status WriteArchives(const Population& population, uint64_t seed, const fs::path& folder,
                     std::vector<DemoArchiveFile>* files, std::array<int, 5>* by_year) {
  if (Status s = WriteCatalogue(folder); !s.ok()) return s;
  ArchiveWriter writer(population, seed, folder, files);
  if (Status s = writer.WriteAll(by_year); !s.ok()) return s;
  std::sort(files->begin(), files->end(),
            [](const DemoArchiveFile& a, const DemoArchiveFile& b) { return a.base < b.base; });
  return Status::Ok();
}

}  // namespace kaveltar::demo
