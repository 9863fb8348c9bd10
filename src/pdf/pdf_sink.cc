#include "pdf/pdf_sink.h"

#include <cerrno>
#include <cstdio>

namespace kaveltar {

bool MemoryPdfSink::Write(std::string_view bytes) {
  data_.append(bytes);
  return true;
}

bool MemoryPdfSink::Overwrite(uint64_t offset, std::string_view bytes) {
  if (offset > data_.size() || bytes.size() > data_.size() - offset) return false;
  data_.replace(offset, bytes.size(), bytes);
  return true;
}

FilePdfSink::~FilePdfSink() {
  if (file_ != nullptr) std::fclose(file_);
}

int FilePdfSink::Open(const std::string& path) {
  if (file_ != nullptr) Discard();
  errno = 0;
  if (std::remove(path.c_str()) != 0 && errno != ENOENT) return errno != 0 ? errno : EACCES;
  errno = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return errno != 0 ? errno : EACCES;
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 18);
  path_ = path;
  return 0;
}

bool FilePdfSink::Write(std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (bytes.empty()) return true;
  return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool FilePdfSink::Overwrite(uint64_t offset, std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (std::fflush(file_) != 0) return false;
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  return fseeko(file_, 0, SEEK_END) == 0 && written;
}

bool FilePdfSink::Close() {
  if (file_ == nullptr) return false;
  const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return flushed && closed;
}

void FilePdfSink::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
  }
}

}  // namespace kaveltar
