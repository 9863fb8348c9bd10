// The single-instance lock: one running copy of the program per user and installation.
// A lock file in the user's runtime folder holds an exclusive advisory lock (flock) for the
// life of the process; the kernel drops it when the process ends, so a crash never leaves a
// stale lock behind.
#pragma once

#include <filesystem>
#include <string_view>

namespace kaveltar {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock named after the installation (its archive folder). False when another
  // copy holds it.
  bool Acquire(std::string_view installation);
  void Release();
  bool held() const { return fd_ >= 0; }

  // The lock file that Acquire uses for an installation.
  static std::filesystem::path LockFile(std::string_view installation);

 private:
  int fd_ = -1;
};

}  // namespace kaveltar
