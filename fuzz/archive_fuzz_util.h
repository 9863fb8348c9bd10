// Shared by the archive fuzz targets: one scratch folder per process for the files that the
// archive layer insists on reading through the file system.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kaveltar::fuzz {

// Removed when the process ends. Memory-backed (/dev/shm) when the machine has it, so
// rewriting a file for every input stays cheap.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    char shm[] = "/dev/shm/kaveltar-fuzz-XXXXXX";
    char tmp[] = "/tmp/kaveltar-fuzz-XXXXXX";
    const char* made = mkdtemp(shm);
    if (made == nullptr) made = mkdtemp(tmp);
    if (made == nullptr) std::abort();
    return std::filesystem::path(made);
  }();
  static const struct Cleanup {
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    }
  } cleanup;
  return folder;
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
}

}  // namespace kaveltar::fuzz
