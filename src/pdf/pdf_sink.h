// Where the bytes of a PDF document go. The writer produces the file strictly in order,
// except for the header line, which EndDoc may overwrite once the final version is known.
#ifndef KAVELTAR_PDF_PDF_SINK_H_
#define KAVELTAR_PDF_PDF_SINK_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kaveltar {

class PdfSink {
 public:
  virtual ~PdfSink() = default;

  // Appends bytes at the end. Returns false when the bytes could not be stored.
  virtual bool Write(std::string_view bytes) = 0;
  // Overwrites bytes already written, starting at `offset`. Returns false on failure.
  virtual bool Overwrite(uint64_t offset, std::string_view bytes) = 0;
  // Completes the output (flushes and closes a file). Returns false on failure.
  virtual bool Close() = 0;
  // Throws away an unfinished output (a file is closed and removed).
  virtual void Discard() = 0;
};

// Keeps the document in memory; for tests, benchmarks and callers that send it elsewhere.
class MemoryPdfSink : public PdfSink {
 public:
  bool Write(std::string_view bytes) override;
  bool Overwrite(uint64_t offset, std::string_view bytes) override;
  bool Close() override { return true; }
  void Discard() override { data_.clear(); }

  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

// Writes the document into a file through a large buffer.
class FilePdfSink : public PdfSink {
 public:
  FilePdfSink() = default;
  ~FilePdfSink() override;
  FilePdfSink(const FilePdfSink&) = delete;
  FilePdfSink& operator=(const FilePdfSink&) = delete;

  // Deletes an existing file of that name and creates it empty. On failure returns the
  // errno value and leaves the sink closed; returns 0 on success.
  int Open(const std::string& path);

  bool Write(std::string_view bytes) override;
  bool Overwrite(uint64_t offset, std::string_view bytes) override;
  bool Close() override;
  void Discard() override;

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace kaveltar

#endif  // KAVELTAR_PDF_PDF_SINK_H_
