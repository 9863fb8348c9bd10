#include "platform/printer_file_sink.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

// Keeps the temporary names of one process apart.
std::atomic<int> temp_sequence{0};

}  // namespace

std::string FileErrorText(int error_number) {
  switch (error_number) {
    case ENOSPC:
      return "spazio esaurito sul disco";
    case EDQUOT:
      return "quota disco superata";
    case EACCES:
    case EPERM:
      return "permesso negato";
    case EROFS:
      return "file system di sola lettura";
    case ENOENT:
      return "cartella inesistente";
    case ENOTDIR:
      return "il percorso non è una cartella";
    case EISDIR:
      return "esiste una cartella con lo stesso nome";
    case EIO:
      return "errore di lettura/scrittura del dispositivo";
    case EFBIG:
      return "file troppo grande";
    case ENAMETOOLONG:
      return "nome del file troppo lungo";
    case EMFILE:
    case ENFILE:
      return "troppi file aperti";
    default:
      return std::strerror(error_number);
  }
}

int RemoveStaleTemporaryFiles(const fs::path& folder) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    // ".<name>.<pid>-<sequence>.part"
    const std::string name = it->path().filename().string();
    if (name.size() < 8 || name[0] != '.' || name.compare(name.size() - 5, 5, ".part") != 0)
      continue;
    const std::string stem = name.substr(0, name.size() - 5);
    const size_t dot = stem.rfind('.');
    const size_t dash = stem.rfind('-');
    if (dot == std::string::npos || dash == std::string::npos || dash < dot) continue;
    const std::string pid_text = stem.substr(dot + 1, dash - dot - 1);
    if (pid_text.empty() || pid_text.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(pid_text));
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH)) {
      if (::unlink(it->path().c_str()) == 0) ++removed;
    }
  }
  return removed;
}

PublishedFileSink::~PublishedFileSink() {
  if (!published_) Discard();
}

bool PublishedFileSink::Fail(int error_number) {
  if (error_ == 0) error_ = error_number != 0 ? error_number : EIO;
  return false;
}

int PublishedFileSink::Open(const fs::path& final_path, const fs::path& temp_folder) {
  final_path_ = final_path;
  const fs::path folder = temp_folder.empty() ? final_path.parent_path() : temp_folder;
  temp_path_ = folder / ("." + final_path.filename().string() + "." + std::to_string(::getpid()) +
                         "-" + std::to_string(++temp_sequence) + ".part");
  const int fd = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    Fail(errno);
    temp_path_.clear();
    return error_;
  }
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    Fail(errno);
    ::close(fd);
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
    return error_;
  }
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 18);
  return 0;
}

bool PublishedFileSink::Write(std::string_view bytes) {
  if (file_ == nullptr || error_ != 0) return Fail(error_);
  if (bytes.empty()) return true;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return Fail(errno);
  return true;
}

bool PublishedFileSink::Overwrite(uint64_t offset, std::string_view bytes) {
  if (file_ == nullptr || error_ != 0) return Fail(error_);
  errno = 0;
  if (std::fflush(file_) != 0) return Fail(errno);
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return Fail(errno);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return Fail(errno);
  if (fseeko(file_, 0, SEEK_END) != 0) return Fail(errno);
  return true;
}

bool PublishedFileSink::Close() {
  if (file_ == nullptr) return Fail(error_);
  errno = 0;
  if (std::fflush(file_) != 0 || std::ferror(file_)) Fail(errno);
  if (std::fclose(file_) != 0) Fail(errno);
  file_ = nullptr;
  closed_ = error_ == 0;
  return closed_;
}

void PublishedFileSink::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
  closed_ = false;
}

int PublishedFileSink::Publish() {
  if (!closed_) {
    Fail(error_);
    Discard();
    return error_;
  }
  if (::rename(temp_path_.c_str(), final_path_.c_str()) != 0) {
    Fail(errno);
    if (error_ == EXDEV) {
      // Another file system: copy beside the final name, then rename there.
      std::error_code ec;
      const fs::path beside =
          final_path_.parent_path() /
          ("." + final_path_.filename().string() + "." + std::to_string(::getpid()) + ".copy");
      fs::copy_file(temp_path_, beside, fs::copy_options::overwrite_existing, ec);
      if (!ec && ::rename(beside.c_str(), final_path_.c_str()) == 0) {
        error_ = 0;
        ::unlink(temp_path_.c_str());
        temp_path_.clear();
        published_ = true;
        return 0;
      }
      error_ = ec ? ec.value() : errno;
      ::unlink(beside.c_str());
    }
    Discard();
    return error_;
  }
  temp_path_.clear();
  published_ = true;
  return 0;
}

std::string PublishedFileSink::ErrorText() const {
  return final_path_.string() + ": " + FileErrorText(error_ != 0 ? error_ : EIO);
}

}  // namespace kaveltar
