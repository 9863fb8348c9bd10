// A small tmpfs mounted over a folder for the length of a test, so that writing past its size
// fails with ENOSPC as on a full disk, or read-only so that nothing can be created in it.
// Mounting needs root (CI runs as root); elsewhere mounted() is false and the test skips.
#pragma once

#include <sys/mount.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace kaveltar::testing {

class TinyDisk {
 public:
  // Mounts over `folder` (made when missing) a tmpfs of `bytes`, read-only when asked.
  TinyDisk(const std::filesystem::path& folder, size_t bytes, bool read_only = false)
      : folder_(folder) {
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ =
        ::mount("tmpfs", folder.c_str(), "tmpfs", read_only ? MS_RDONLY : 0, options.c_str()) == 0;
  }
  ~TinyDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  TinyDisk(const TinyDisk&) = delete;
  TinyDisk& operator=(const TinyDisk&) = delete;

  bool mounted() const { return mounted_; }

  // Fills the disk with the file "riempimento.bin" until no byte more can be written.
  void Fill() {
    std::FILE* f = std::fopen((folder_ / "riempimento.bin").c_str(), "ab");
    if (f == nullptr) return;
    const std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
  }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
};

}  // namespace kaveltar::testing
