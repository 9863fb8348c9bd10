#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <system_error>

namespace kaveltar {
namespace fs = std::filesystem;

InstanceLock::~InstanceLock() { Release(); }

fs::path InstanceLock::LockFile(std::string_view installation) {
  fs::path dir;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r != nullptr && *r != '\0') {
    dir = r;
  } else {
    dir = fs::temp_directory_path() / ("kaveltar-" + std::to_string(getuid()));
  }
  const size_t h = std::hash<std::string_view>{}(installation);
  return dir / ("kaveltar-" + std::to_string(h) + ".lock");
}

bool InstanceLock::Acquire(std::string_view installation) {
  Release();
  const fs::path file = LockFile(installation);
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no place for a lock: do not stop the operator's work for it
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace kaveltar
