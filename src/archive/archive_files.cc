#include "archive/archive_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>
#include <unordered_map>

#include "archive/bases.h"
#include "archive/isam.h"
#include "base/fatal.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "platform/paths.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTitle = "Salarion";

// What tells one state of an index file from another: a rewrite in place changes its size or
// its modification time, a replacement its inode.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& st) {
  constexpr int64_t kNs = 1000000000;
  return FileStamp{st.st_dev, st.st_ino, st.st_size,
                   static_cast<int64_t>(st.st_mtim.tv_sec) * kNs + st.st_mtim.tv_nsec,
                   static_cast<int64_t>(st.st_ctim.tv_sec) * kNs + st.st_ctim.tv_nsec};
}

// True when the file of `stamp` was last changed long enough ago that any further change will
// show in its times. File systems write times from a clock that moves in ticks (a few
// milliseconds on Linux disks, NFS and SMB shares): a second change within the tick of the
// first would leave the times as they were. A second is well past such a tick.
bool Settled(const FileStamp& stamp) {
  constexpr int64_t kSettledNs = 1000000000;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int64_t now_ns = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  return now_ns - std::max(stamp.modified_ns, stamp.changed_ns) >= kSettledNs;
}

// Index nodes read from an open index file, one reused buffer per level. While nodes are kept
// (a job holding ArchiveFiles::KeptIndexNodes) and the file has settled, every node read is
// kept too, with its check, and later lookups take it from memory instead of the file, for as
// long as the file shows the same stamp; a new stamp, another file or the end of the job
// drops them all.
class FileNodeSource final : public IsamNodeSource {
 public:
  // Before a lookup: the nodes a lookup reads stay in place until it ends, so the limit on
  // kept nodes is applied here, with room for the three it may add.
  void Reset(int fd, size_t node_length, long count, const FileStamp& stamp, bool keep) {
    keep = keep && Settled(stamp);
    if (!keep || fd != fd_ || node_length != node_length_ || !(stamp == stamp_) ||
        kept_.size() + 3 > kMaxKeptNodes) {
      Drop();
    }
    fd_ = fd;
    node_length_ = node_length;
    count_ = count;
    stamp_ = stamp;
    keep_ = keep;
  }
  void Drop() {
    kept_.clear();
    current_.fill(nullptr);
  }
  long node_count() const override { return count_; }
  std::string_view ReadNode(long record, int level) override;
  int CheckedEntries(int level) const override {
    const size_t i = static_cast<size_t>(level - 1);
    return current_[i] != nullptr ? current_[i]->checked : checked_[i];
  }
  void SetCheckedEntries(int level, int used) override {
    const size_t i = static_cast<size_t>(level - 1);
    (current_[i] != nullptr ? current_[i]->checked : checked_[i]) = used;
  }

 private:
  struct KeptNode {
    std::string bytes;
    int checked = -1;
  };
  // About 9 MB of nodes for ten-character keys, the whole index of half a million records;
  // past it the kept nodes start again from none.
  static constexpr size_t kMaxKeptNodes = 4096;

  bool Read(long record, std::string* out) const;

  int fd_ = -1;
  size_t node_length_ = 0;
  long count_ = 0;
  FileStamp stamp_;
  bool keep_ = false;
  std::array<std::string, 3> slots_;
  // Per slot, the check's count for the bytes it holds (-1: not checked). Unless nodes are
  // kept, every lookup reads its nodes from the file again (the payroll program may rewrite
  // the index at any time); only the check is spared when a node comes back byte for byte
  // the same.
  std::array<int, 3> checked_ = {-1, -1, -1};
  std::string fresh_;
  // Kept nodes by (record, level): the check depends on the level the node is read at.
  std::unordered_map<long, KeptNode> kept_;
  std::array<KeptNode*, 3> current_ = {nullptr, nullptr, nullptr};
};

// Reads `length` bytes at `offset`, retrying short reads; the count read (short at the end of
// the file), or -1 on an I/O error.
ssize_t ReadFully(int fd, char* out, size_t length, off_t offset) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, out + done, length - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool FileNodeSource::Read(long record, std::string* out) const {
  out->resize(node_length_);
  const off_t offset = static_cast<off_t>(record - 1) * static_cast<off_t>(node_length_);
  return ReadFully(fd_, out->data(), node_length_, offset) == static_cast<ssize_t>(node_length_);
}

std::string_view FileNodeSource::ReadNode(long record, int level) {
  if (record < 1 || record > count_ || level < 1 || level > 3) return {};
  const size_t index = static_cast<size_t>(level - 1);
  if (keep_) {
    const long key = record * 4 + level;
    if (const auto found = kept_.find(key); found != kept_.end()) {
      current_[index] = &found->second;
      return found->second.bytes;
    }
    current_[index] = nullptr;
    if (!Read(record, &fresh_)) {
      checked_[index] = -1;
      return {};
    }
    KeptNode& node = kept_[key];
    node.bytes.swap(fresh_);
    current_[index] = &node;
    return node.bytes;
  }
  current_[index] = nullptr;
  std::string& slot = slots_[index];
  if (!Read(record, &fresh_)) {
    checked_[index] = -1;
    return {};
  }
  if (fresh_ != slot) {
    slot.swap(fresh_);
    checked_[index] = -1;
  }
  return slot;
}

// The run-time error of a failed open, as the payroll program's runtime numbers them.
[[noreturn]] void RaiseOpenError(int error, const fs::path& path, bool for_input) {
  const std::string reason = std::strerror(error);
  if (error == ENOENT && for_input) {
    throw RunTimeError(RunTimeError::kFileNotFound, path.string());
  }
  if (error == ENOENT || error == ENOTDIR) {
    throw RunTimeError(RunTimeError::kPathNotFound, path.string() + " (" + reason + ")");
  }
  throw RunTimeError(RunTimeError::kPathFileAccess, path.string() + " (" + reason + ")");
}

// The existing file whose name matches `path` ignoring case; for a file still to be created,
// its folder matched ignoring case and the name as given.
fs::path ResolveExisting(const fs::path& path) {
  std::error_code ec;
  fs::path found = FindCaseInsensitive(path);
  if (fs::exists(found, ec) || !path.has_parent_path()) return found;
  return FindCaseInsensitive(path.parent_path()) / path.filename();
}

// The integer part of a context value as text ("7" for "7", "-5" for "-5", "0" for "").
std::string IntegerText(double value) {
  if (!std::isfinite(value)) return "0";
  char buf[400];
  const auto result =
      std::to_chars(buf, buf + sizeof(buf), std::trunc(value), std::chars_format::fixed, 0);
  return result.ec == std::errc() ? std::string(buf, result.ptr) : "0";
}

// A context value rewritten as its number in `width` digits: the integer text behind
// zeros, of which the last `width` characters are kept.
std::string Rewrite(std::string_view value, size_t width) {
  std::string padded(width, '0');
  padded += IntegerText(Val(value));
  return padded.substr(padded.size() - width);
}

// Fills every occurrence of `placeholder` in place with the first characters of `value`
// (a shorter value leaves the rest of the placeholder as it is).
bool Fill(std::string& name, std::string_view placeholder, std::string_view value) {
  bool filled = false;
  for (size_t at = name.find(placeholder); at != std::string::npos;
       at = name.find(placeholder, at + placeholder.size())) {
    name.replace(at, std::min(value.size(), placeholder.size()),
                 value.substr(0, placeholder.size()));
    filled = true;
  }
  return filled;
}

}  // namespace

struct ArchiveFiles::Channel {
  int fd = -1;
  bool read_only = false;
  std::unique_ptr<std::fstream> text;
  fs::path path;
  int record_length = 0;
  std::string buffer;
  std::string scratch;  // reads land here first, so a short read leaves the buffer alone
  FileNodeSource nodes;

  bool open() const { return fd >= 0 || text != nullptr; }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    read_only = false;
    nodes.Drop();
    text.reset();
    path.clear();
  }
};

ArchiveFiles::ArchiveFiles(fs::path archive_folder, Dialogs& dialogs, TraceRing& trace)
    : archive_folder_(std::move(archive_folder)), dialogs_(dialogs), trace_(trace) {}

ArchiveFiles::~ArchiveFiles() { CloseArchiveFile(bases::kAll); }

ArchiveFiles::Channel& ArchiveFiles::channel(int base) {
  if (base < 0 || base > kMaxBaseNumber) {
    throw RunTimeError(RunTimeError::kSubscriptOutOfRange, "archivio " + std::to_string(base));
  }
  auto& slot = channels_[static_cast<size_t>(base)];
  if (!slot) slot = std::make_unique<Channel>();
  return *slot;
}

const ArchiveFiles::Channel* ArchiveFiles::find_channel(int base) const {
  if (base < 0 || base > kMaxBaseNumber) return nullptr;
  return channels_[static_cast<size_t>(base)].get();
}

void ArchiveFiles::LoadCatalogue() {
  const fs::path file = FindCaseInsensitive(archive_folder_ / "QXBASE.DAT");
  if (!FileExists(file)) {
    throw RunTimeError(RunTimeError::kFileNotFound, file.string());
  }
  Result<BaseFileTable> table = BaseFileTable::Load(file);
  if (!table.ok()) {
    const bool missing = table.status().kind() == Status::Kind::kNotFound;
    throw RunTimeError(missing ? RunTimeError::kFileNotFound : RunTimeError::kTypeMismatch,
                       table.status().message());
  }
  catalogue_ = std::move(*table);
}

// Builds the name of base n from its catalogue template and the OpenContext, rewriting and
// clearing the context values as described in the header. `substituted` tells whether the
// name came with its own folder ("!:\"). An empty name: the catalogue has no file for n.
ArchiveFiles::BuiltName ArchiveFiles::BuildName(int base) {
  trace_.TraceProcedure("DAMMIFILE$ (" + std::to_string(base) + ")");
  if (base > kMaxBaseNumber) {
    throw RunTimeError(RunTimeError::kSubscriptOutOfRange, "archivio " + std::to_string(base));
  }
  const CatalogueEntry* entry = catalogue_.Find(base);
  channel(base).record_length = entry != nullptr ? entry->record_length : 0;

  // The tests look at the values as the caller left them; the context keeps them rewritten.
  const double company = Val(context_.company);
  const double year = Val(context_.year);
  const double region = Val(context_.region);
  context_.company = Rewrite(context_.company, 3);
  context_.year = Rewrite(context_.year, 2);
  context_.region = Rewrite(context_.region, 2);

  BuiltName built;
  if (entry == nullptr || entry->name_template.empty()) return built;
  std::string name = entry->name_template;
  const std::string n = std::to_string(base);
  if (name.find("###") != std::string::npos) {
    if (company <= 0) throw Fatal("ERRORE OPEN FILE - MANCA DITTAOPEN " + n);
    Fill(name, "###", context_.company);
    context_.company.clear();
  }
  if (name.find("**") != std::string::npos) {
    if (year <= 0) throw Fatal("ERRORE OPEN - MANCA ANNO - " + n);
    Fill(name, "**", context_.year);
    context_.year.clear();
  }
  if (name.find("@@") != std::string::npos) {
    if (region <= 0) throw Fatal("ERRORE OPEN - MANCA REGIONE - " + n);
    Fill(name, "@@", context_.region);
    context_.region.clear();
  }
  if (name.find("%%") != std::string::npos) {
    if (context_.province.size() != 2) throw Fatal("ERRORE OPEN - MANCA PROVINCIA - " + n);
    Fill(name, "%%", context_.province);
    context_.province.clear();
  }
  Fill(name, "$$", context_.installation_code);
  // The substitute folder goes in last, so its own characters are never taken for
  // placeholders. "A"/"B" are floppy drives: only the letter changes.
  if (name.rfind("!:\\", 0) == 0) {
    const std::string& folder = context_.substitute_folder;
    if (!folder.empty() && (folder[0] == 'A' || folder[0] == 'B')) {
      name[0] = folder[0];
    } else {
      name = folder + name.substr(2);
    }
    context_.substitute_folder.clear();
    built.substituted = true;
  }
  built.name = std::move(name);
  return built;
}

fs::path ArchiveFiles::ResolveBuilt(const BuiltName& built) const {
  if (built.substituted) return ResolveExisting(MapWindowsPath(built.name));
  fs::path mapped = MapWindowsPath(built.name);
  if (mapped.is_relative()) mapped = archive_folder_ / mapped;
  return ResolveExisting(mapped);
}

std::string ArchiveFiles::DAMMIFILE(int base, bool with_folder) {
  if (base <= 0) return "";
  const BuiltName built = BuildName(base);
  if (built.name.empty() || built.substituted || !with_folder) return built.name;
  return archive_folder_.string() + "/" + built.name;
}

fs::path ArchiveFiles::ResolvePath(int base) {
  if (base <= 0) return {};
  const BuiltName built = BuildName(base);
  if (built.name.empty()) return {};
  return ResolveBuilt(built);
}

int ArchiveFiles::FAIOPEN(int base) {
  if (base <= 0) return 0;
  trace_.TraceProcedure("FAIOPEN");
  Channel& ch = channel(base);
  const BuiltName built = BuildName(base);
  ch.Close();
  if (built.name.empty()) {
    throw RunTimeError(RunTimeError::kBadFileNumber,
                       "archivio " + std::to_string(base) + " senza file in QXBASE.DAT");
  }
  const fs::path path = ResolveBuilt(built);
  // Shared with the payroll program: read-write without locks, created when missing;
  // a file this user may only read is opened for reading.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  bool read_only = false;
  if (fd < 0) {
    const int error = errno;
    std::error_code ec;
    if ((error == EACCES || error == EROFS || error == EPERM) && fs::is_regular_file(path, ec)) {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      read_only = true;
    }
    if (fd < 0) RaiseOpenError(read_only ? errno : error, path, /*for_input=*/false);
  }
  ch.fd = fd;
  ch.read_only = read_only;
  ch.path = path;
  ch.buffer.assign(static_cast<size_t>(std::max(ch.record_length, 0)), ' ');
  return ch.record_length;
}

std::fstream& ArchiveFiles::FAIOPENIO(int base, int mode) {
  trace_.TraceProcedure("FAIOPENIO");
  if (mode != 0 && mode != 1) {
    throw RunTimeError(RunTimeError::kInvalidProcedureCall,
                       "FAIOPENIO modo " + std::to_string(mode));
  }
  if (base <= 0) {
    throw RunTimeError(RunTimeError::kBadFileNumber, "archivio " + std::to_string(base));
  }
  Channel& ch = channel(base);
  const BuiltName built = BuildName(base);
  ch.Close();
  if (built.name.empty()) {
    throw RunTimeError(RunTimeError::kBadFileNumber,
                       "archivio " + std::to_string(base) + " senza file in QXBASE.DAT");
  }
  const fs::path path = ResolveBuilt(built);
  auto stream = std::make_unique<std::fstream>();
  if (mode == 0) {
    stream->open(path, std::ios::in | std::ios::binary);
    if (!stream->is_open()) RaiseOpenError(errno != 0 ? errno : ENOENT, path, /*for_input=*/true);
  } else {
    std::error_code ec;
    fs::remove(path, ec);
    errno = 0;
    stream->open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream->is_open()) RaiseOpenError(errno != 0 ? errno : EACCES, path, /*for_input=*/false);
  }
  ch.text = std::move(stream);
  ch.path = path;
  return *ch.text;
}

std::fstream* ArchiveFiles::TextStream(int base) {
  const Channel* ch = find_channel(base);
  return ch != nullptr ? ch->text.get() : nullptr;
}

namespace {

// Traces "LEGGIREC (n-r)" or "SCRIVIREC (n-r)", formatted without a temporary string: every
// record read passes here.
void TraceRecordAccess(TraceRing& trace, const char* name, int base, long record) {
  char text[64];
  const int n = std::snprintf(text, sizeof(text), "%s (%d-%ld)", name, base, record);
  trace.TraceProcedure(std::string_view(text, static_cast<size_t>(std::max(n, 0))));
}

std::string RecordText(int base, long record) {
  return "(base " + std::to_string(base) + ", record " + std::to_string(record) + ")";
}

// The byte offset of record r, or -1 when r is not a record number of a file of length L.
off_t RecordOffset(long record, int length) {
  if (record < 1) return -1;
  const long long max_index = LLONG_MAX / length;
  if (record - 1 > max_index) return -1;
  return static_cast<off_t>(record - 1) * length;
}

}  // namespace

int ArchiveFiles::LEGGIREC(int base, long record) {
  TraceRecordAccess(trace_, "LEGGIREC", base, record);
  Channel& ch = channel(base);
  if (ch.fd < 0) {
    throw RunTimeError(RunTimeError::kBadFileNumber, "archivio " + std::to_string(base) +
                                                         " non aperto " + RecordText(base, record));
  }
  const int length = ch.record_length;
  if (length <= 0 || ch.buffer.size() != static_cast<size_t>(length)) {
    throw RunTimeError(RunTimeError::kBadRecordLength, RecordText(base, record));
  }
  const off_t offset = RecordOffset(record, length);
  if (offset < 0) {
    throw RunTimeError(RunTimeError::kBadRecordNumber, RecordText(base, record));
  }
  ch.scratch.resize(static_cast<size_t>(length));
  const ssize_t got = ReadFully(ch.fd, ch.scratch.data(), ch.scratch.size(), offset);
  if (got < 0) {
    throw RunTimeError(RunTimeError::kDeviceIo, ch.path.string() + " " + RecordText(base, record) +
                                                    " (" + std::strerror(errno) + ")");
  }
  // A partial last record counts as the end of the file, like a missing one.
  if (got < length) return 1;
  // The two are the same length: swapping hands the record over without copying it (records
  // run to kilobytes, and a large import reads one per employee).
  ch.buffer.swap(ch.scratch);
  return 0;
}

void ArchiveFiles::SCRIVIREC(int base, long record, std::string_view text) {
  TraceRecordAccess(trace_, "SCRIVIREC", base, record);
  Channel& ch = channel(base);
  if (ch.fd < 0) {
    throw RunTimeError(RunTimeError::kBadFileNumber, "archivio " + std::to_string(base) +
                                                         " non aperto " + RecordText(base, record));
  }
  const size_t length = static_cast<size_t>(std::max(ch.record_length, 0));
  const size_t given = text.empty() ? ch.buffer.size() : text.size();
  if (length == 0 || given != length) {
    throw RunTimeError(RunTimeError::kBadRecordLength, RecordText(base, record));
  }
  const off_t offset = RecordOffset(record, ch.record_length);
  if (offset < 0) {
    throw RunTimeError(RunTimeError::kBadRecordNumber, RecordText(base, record));
  }
  if (ch.read_only) {
    throw RunTimeError(RunTimeError::kPathFileAccess,
                       ch.path.string() + " in sola lettura " + RecordText(base, record));
  }
  if (!text.empty() && text.data() != ch.buffer.data()) ch.buffer.assign(text);
  size_t done = 0;
  while (done < length) {
    const ssize_t n =
        ::pwrite(ch.fd, ch.buffer.data() + done, length - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw RunTimeError(
          RunTimeError::kDeviceIo,
          ch.path.string() + " " + RecordText(base, record) + " (" + std::strerror(errno) + ")");
    }
    done += static_cast<size_t>(n);
  }
}

void ArchiveFiles::CloseArchiveFile(int base) {
  if (base == 0) {
    for (auto& ch : channels_) {
      if (ch) ch->Close();
    }
    return;
  }
  if (base < 0 || base > kMaxBaseNumber) return;
  if (auto& ch = channels_[static_cast<size_t>(base)]) ch->Close();
}

int ArchiveFiles::VERBASE(int base) {
  trace_.TraceProcedure("VERBASE");
  if (base <= 0) return 0;
  const BuiltName built = BuildName(base);
  if (built.name.empty()) return 0;
  std::error_code ec;
  const fs::path path = ResolveBuilt(built);
  return fs::is_regular_file(path, ec) && fs::file_size(path, ec) > 0 && !ec ? 1 : 0;
}

bool ArchiveFiles::IsOpen(int base) const {
  const Channel* ch = find_channel(base);
  return ch != nullptr && ch->open();
}

std::string& ArchiveFiles::RecordBuffer(int base) { return channel(base).buffer; }

int ArchiveFiles::RecordLength(int base) const {
  const Channel* ch = find_channel(base);
  return ch != nullptr ? ch->record_length : 0;
}

long ArchiveFiles::RecordCount(int base) const {
  const Channel* ch = find_channel(base);
  if (ch == nullptr || ch->fd < 0 || ch->record_length <= 0) return 0;
  struct stat st;
  if (::fstat(ch->fd, &st) != 0) return 0;
  return static_cast<long>(st.st_size / ch->record_length);
}

long long ArchiveFiles::FileSize(int base) const {
  const Channel* ch = find_channel(base);
  if (ch == nullptr || ch->fd < 0) return -1;
  struct stat st;
  if (::fstat(ch->fd, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

fs::path ArchiveFiles::OpenPath(int base) const {
  const Channel* ch = find_channel(base);
  return ch != nullptr && ch->open() ? ch->path : fs::path();
}

Status ArchiveFiles::CheckWholeRecords(int base) const {
  const Channel* ch = find_channel(base);
  if (ch == nullptr || ch->fd < 0 || ch->record_length <= 0) {
    return Status::Invalid("Archivio " + std::to_string(base) +
                           " non aperto: nessun record scritto");
  }
  const long long size = FileSize(base);
  if (size < 0 || size % ch->record_length != 0) {
    return Status::Corrupt("L'archivio " + ch->path.string() + " è lungo " + std::to_string(size) +
                           " byte, che non sono un numero intero di record da " +
                           std::to_string(ch->record_length) +
                           " caratteri (lunghezza indicata in QXBASE.DAT): nessun record scritto");
  }
  return Status::Ok();
}

Status ArchiveFiles::CheckRecordKey(int base, long record, std::string_view stored_key,
                                    std::string_view key) const {
  if (Trim(stored_key) == Trim(key)) return Status::Ok();
  const Channel* ch = find_channel(base);
  const std::string file = ch != nullptr ? ch->path.string() : std::to_string(base);
  return Status::Corrupt("L'indice dell'archivio " + file + " indica il record " +
                         std::to_string(record) + " per il codice " + std::string(Trim(key)) +
                         ", ma quel record appartiene al codice " + std::string(Trim(stored_key)) +
                         ": nessun record scritto");
}

ArchiveFiles::KeptIndexNodes::~KeptIndexNodes() {
  if (--files_.keep_index_nodes_ > 0) return;
  for (auto& ch : files_.channels_) {
    if (ch) ch->nodes.Drop();
  }
}

long ArchiveFiles::IsamSearch(int index_base, std::string_view key, int operation, int /*fourth*/) {
  trace_.TraceProcedure("IsamSearch");
  auto fail = [&](const std::string& message) {
    dialogs_.Show(message, kTitle, MessageIcon::kCritical);
    return kIsamError;
  };
  if (!IsOpen(index_base)) {
    const OpenContext saved = context_;
    try {
      FAIOPEN(index_base);
    } catch (...) {
      context_ = saved;
      throw;
    }
    context_ = saved;
  }
  if (key.empty() && operation != 9) return fail("ERRORE ISAM - LUNK=0");
  const size_t node_length = IsamNodeLength(key.size());
  if (static_cast<size_t>(std::max(RecordLength(index_base), 0)) != node_length) {
    return fail("ERRORE ISAM - LUNK NO OK");
  }
  // One look at the file gives both its node count and the stamp the kept nodes hang on.
  Channel& ch = channel(index_base);
  struct stat st;
  const bool measured = ch.fd >= 0 && ::fstat(ch.fd, &st) == 0;
  const long nodes = measured ? static_cast<long>(st.st_size / static_cast<off_t>(node_length)) : 0;
  if (nodes == 0 && operation != 9) {
    return fail("ERRORE ISAM - FILE VUOTO " + std::to_string(index_base));
  }
  if (!key.empty() && Trim(key).empty()) return fail("ERRORE ISAM - K=BLANK");
  // This program only reads indexes: lookup (2) and next (4). The maintenance operations
  // (1, 3, 9) belong to the payroll program, which keeps the indexes.
  if (operation != 2 && operation != 4) {
    return fail("ERRORE CODICE ISAM " + std::to_string(operation));
  }

  ch.nodes.Reset(ch.fd, node_length, nodes, measured ? StampOf(st) : FileStamp{},
                 measured && keep_index_nodes_ > 0);
  const IsamLookupResult found = IsamLookup(ch.nodes, key, /*successor=*/operation == 4);
  switch (found.outcome) {
    case IsamOutcome::kFound:
      return found.record;
    case IsamOutcome::kNoRecord:
      return kNoRecord;
    case IsamOutcome::kZeroRecord:
      return fail("ERR.ISAM - N.REC.=0");
    case IsamOutcome::kCorrupt:
      break;
  }
  return fail("ERRORE ISAM - INDICE DANNEGGIATO " + std::to_string(index_base));
}

}  // namespace kaveltar
