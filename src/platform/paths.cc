#include "platform/paths.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "base/run_time_error.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

fs::path XdgDataHome() {
  if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x != '\0') return x;
  if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    return fs::path(h) / ".local" / "share";
  }
  return fs::temp_directory_path();
}

}  // namespace

fs::path DriveFolder(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  const std::string var = std::string("KAVELTAR_DRIVE_") + upper;
  if (const char* v = std::getenv(var.c_str()); v != nullptr && *v != '\0') return v;
  return XdgDataHome() / "kaveltar" /
         (std::string("drive_") +
          static_cast<char>(std::tolower(static_cast<unsigned char>(upper))));
}

fs::path MapWindowsPath(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
    std::string rest = p.substr(2);
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    return rest.empty() ? DriveFolder(p[0]) : DriveFolder(p[0]) / rest;
  }
  return fs::path(p);
}

fs::path FindCaseInsensitive(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  fs::path current = path.has_root_path() ? path.root_path() : fs::path();
  for (const auto& part : path.relative_path()) {
    const fs::path exact = current.empty() ? part : current / part;
    if (fs::exists(exact, ec)) {
      current = exact;
      continue;
    }
    const std::string wanted = LowerAscii(part.string());
    const fs::path dir = current.empty() ? fs::path(".") : current;
    bool found = false;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (LowerAscii(it->path().filename().string()) == wanted) {
        current = current.empty() ? it->path().filename() : current / it->path().filename();
        found = true;
        break;
      }
    }
    if (!found) return path;
  }
  return current;
}

bool FileExists(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  return in.good();
}

bool FolderExists(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

void COPIAFILE(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) {
    throw RunTimeError(RunTimeError::kFileNotFound, source.string());
  }
  const fs::path temp = target.string() + ".tmp-copy";
  fs::remove(temp, ec);
  if (!fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec)) {
    fs::remove(temp, ec);
    throw RunTimeError(RunTimeError::kPathNotFound, target.string() + " (" + ec.message() + ")");
  }
  fs::remove(target, ec);
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    throw RunTimeError(RunTimeError::kPathNotFound, target.string());
  }
}

std::string ReadFirstLine(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return "";
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

}  // namespace kaveltar
