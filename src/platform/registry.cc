#include "platform/registry.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "base/escape.h"
#include "base/text.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return ToUpperAscii(a) == ToUpperAscii(b);
}

std::string FullKey(std::string_view root, std::string_view key_path) {
  std::string k(root);
  if (!key_path.empty()) k.append("\\").append(key_path);
  return k;
}

// Escapes NUL, backslash and line ends so a value stays on one line.
std::string Escape(std::string_view v) {
  std::string out;
  AppendBackslashEscaped(out, v, std::string_view("\0\\\n\r", 4));
  return out;
}

std::string Unescape(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 == v.size()) {
      out += v[i];
      continue;
    }
    const char n = v[++i];
    out += n == '0' ? '\0' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
  }
  return out;
}

}  // namespace

fs::path RegistryStore::DefaultFile() {
  if (const char* r = std::getenv("KAVELTAR_REGISTRY"); r != nullptr && *r != '\0') return r;
  fs::path base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x != nullptr && *x != '\0') {
    base = x;
  } else if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    base = fs::path(h) / ".config";
  } else {
    base = fs::temp_directory_path();
  }
  return base / "kaveltar" / "registry.ini";
}

fs::path RegistryStore::SystemFile() {
  std::string dirs = "/etc/xdg";
  if (const char* x = std::getenv("XDG_CONFIG_DIRS"); x != nullptr && *x != '\0') dirs = x;
  std::error_code ec;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    if (colon == std::string::npos) colon = dirs.size();
    const std::string dir = dirs.substr(start, colon - start);
    if (!dir.empty()) {
      fs::path candidate = fs::path(dir) / "kaveltar" / "registry.ini";
      if (fs::is_regular_file(candidate, ec)) return candidate;
    }
    start = colon + 1;
  }
  return {};
}

fs::path RegistryStore::EffectiveFile(const fs::path& user_file) {
  std::error_code ec;
  if (fs::exists(user_file, ec)) return user_file;
  const fs::path system = SystemFile();
  return system.empty() ? user_file : system;
}

Result<RegistryStore> RegistryStore::Load(const fs::path& file) {
  RegistryStore store;
  std::error_code ec;
  if (!fs::exists(file, ec)) return store;
  std::ifstream in(file, std::ios::binary);
  if (!in) return Status::IoError("Impossibile leggere il registro " + file.string());
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view t = Trim(line);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
      section = std::string(t.substr(1, t.size() - 2));
      store.lines_.push_back({section, "", line});
      continue;
    }
    const size_t eq = line.find('=');
    std::string name =
        eq == std::string::npos ? "" : std::string(Trim(std::string_view(line).substr(0, eq)));
    store.lines_.push_back({section, name, line});
  }
  return store;
}

std::string RegistryStore::ReadRegistryString(std::string_view root, std::string_view key_path,
                                              std::string_view value_name) const {
  const std::string key = FullKey(root, key_path);
  for (const Line& l : lines_) {
    if (l.name.empty() || !EqualNoCase(l.section, key) || !EqualNoCase(l.name, value_name))
      continue;
    const std::string_view v = std::string_view(l.raw).substr(l.raw.find('=') + 1);
    if (v.substr(0, 3) == "sz:") {
      std::string s = Unescape(v.substr(3));
      const size_t nul = s.find('\0');
      if (nul != std::string::npos) s.resize(nul);
      return s;
    }
    if (v.substr(0, 6) == "dword:") {
      const std::string digits(Trim(v.substr(6)));
      char* end = nullptr;
      const unsigned long long n = std::strtoull(digits.c_str(), &end, 0);
      if (digits.empty() || *end != '\0') return "";
      return std::to_string(static_cast<uint32_t>(n));
    }
    return "";  // a type this program does not read
  }
  return "";
}

void RegistryStore::SetString(std::string_view root, std::string_view key_path,
                              std::string_view value_name, std::string_view value) {
  const std::string key = FullKey(root, key_path);
  const std::string raw = std::string(value_name) + "=sz:" + Escape(value);
  size_t insert_at = lines_.size();
  bool have_section = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!EqualNoCase(lines_[i].section, key)) continue;
    have_section = true;
    insert_at = i + 1;
    if (!lines_[i].name.empty() && EqualNoCase(lines_[i].name, value_name)) {
      lines_[i].raw = raw;
      return;
    }
  }
  if (!have_section) {
    lines_.push_back({key, "", "[" + key + "]"});
    insert_at = lines_.size();
  }
  lines_.insert(lines_.begin() + static_cast<long>(insert_at), {key, std::string(value_name), raw});
}

void RegistryStore::SetDword(std::string_view root, std::string_view key_path,
                             std::string_view value_name, uint32_t value) {
  SetString(root, key_path, value_name, "");
  const std::string key = FullKey(root, key_path);
  for (Line& l : lines_) {
    if (!l.name.empty() && EqualNoCase(l.section, key) && EqualNoCase(l.name, value_name)) {
      l.raw = std::string(value_name) + "=dword:" + std::to_string(value);
    }
  }
}

Status RegistryStore::Save(const fs::path& file) const {
  std::error_code ec;
  if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
  const fs::path temp = file.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return Status::IoError("Impossibile scrivere il registro " + file.string());
    for (const Line& l : lines_) out << l.raw << '\n';
    out.flush();
    if (!out) {
      fs::remove(temp, ec);
      return Status::IoError("Impossibile scrivere il registro " + file.string());
    }
  }
  fs::rename(temp, file, ec);
  if (ec) {
    fs::remove(temp, ec);
    return Status::IoError("Impossibile scrivere il registro " + file.string());
  }
  return Status::Ok();
}

}  // namespace kaveltar
