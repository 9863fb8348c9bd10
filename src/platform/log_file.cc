#include "platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <system_error>

namespace kaveltar {
namespace fs = std::filesystem;

fs::path LogFilePath() {
  if (const char* l = std::getenv("KAVELTAR_LOG"); l != nullptr && *l != '\0') {
    if (std::string_view(l) == "off") return {};
    return l;
  }
  fs::path base;
  if (const char* x = std::getenv("XDG_STATE_HOME"); x != nullptr && *x != '\0') {
    base = x;
  } else if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    base = fs::path(h) / ".local" / "state";
  } else {
    return {};
  }
  return base / "kaveltar" / "kaveltar.log";
}

void WriteLog(std::string_view program, std::string_view text) {
  const fs::path file = LogFilePath();
  if (file.empty()) return;
  std::error_code ec;
  if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
  if (const auto size = fs::file_size(file, ec); !ec && size > kLogRotateBytes) {
    fs::rename(file, file.string() + ".1", ec);
  }

  char stamp[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) != nullptr)
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

  std::string entry;
  entry.reserve(text.size() + 64);
  entry.append(stamp)
      .append(" ")
      .append(program)
      .append("[")
      .append(std::to_string(getpid()))
      .append("] ");
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      if (i + 1 < text.size()) entry.append("\n  ");
      continue;
    }
    // Control characters from names or file contents would garble the log and the terminal
    // that shows it.
    entry += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? '?' : c;
  }
  entry += '\n';

  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const ssize_t written = ::write(fd, entry.data(), entry.size());
  (void)written;
  ::close(fd);
}

}  // namespace kaveltar
