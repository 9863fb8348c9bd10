// PublishedFileSink: where a PDF file is written so that it appears under its name complete
// or not at all.
//
// The bytes go into a hidden temporary file in the folder of the final name
// (".<name>.<pid>-<sequence>.part"); Close completes it, Publish renames it over the final
// name (replacing an older file only then). A kill at any moment leaves the older file as it
// was; a failure (full disk, no permission) leaves it too, and the temporary file is removed.
// The first failure is kept as an errno value, so the caller can say why in plain words.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "pdf/pdf_sink.h"

namespace kaveltar {

// The cause of a failed file operation, in Italian ("spazio esaurito sul disco", "permesso
// negato", ...); the system's text for causes without an Italian one.
std::string FileErrorText(int error_number);

// Removes from `folder` the temporary files of PublishedFileSink left by processes that no
// longer run (a run killed while writing). Files of running processes are left alone.
// Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::filesystem::path& folder);

class PublishedFileSink : public PdfSink {
 public:
  PublishedFileSink() = default;
  ~PublishedFileSink() override;  // an unpublished temporary file is removed
  PublishedFileSink(const PublishedFileSink&) = delete;
  PublishedFileSink& operator=(const PublishedFileSink&) = delete;

  // Creates the temporary file beside `final_path` (or in `temp_folder` when given: the final
  // name must then be on the same file system, or Publish copies). Returns 0 or the errno.
  int Open(const std::filesystem::path& final_path, const std::filesystem::path& temp_folder = {});

  bool Write(std::string_view bytes) override;
  bool Overwrite(uint64_t offset, std::string_view bytes) override;
  // Flushes and closes the temporary file; false (with error() set) when it is incomplete.
  bool Close() override;
  // Closes and removes the temporary file.
  void Discard() override;

  // Renames the closed temporary file over the final name. Returns 0 or the errno (the
  // temporary file is then removed).
  int Publish();

  // The first failure's errno, 0 when none.
  int error() const { return error_; }
  // "<file>: <cause>" for the first failure, naming the final file.
  std::string ErrorText() const;
  const std::filesystem::path& final_path() const { return final_path_; }
  const std::filesystem::path& temp_path() const { return temp_path_; }
  bool closed() const { return closed_; }
  bool published() const { return published_; }

 private:
  bool Fail(int error_number);

  std::FILE* file_ = nullptr;
  std::filesystem::path final_path_;
  std::filesystem::path temp_path_;
  int error_ = 0;
  bool closed_ = false;
  bool published_ = false;
};

}  // namespace kaveltar
