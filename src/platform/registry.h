// The registry store: the Windows registry values of the payroll installation, kept in a text
// file ($XDG_CONFIG_HOME/kaveltar/registry.ini, default ~/.config/kaveltar/registry.ini, or
// KAVELTAR_REGISTRY when set).
//
// Format: sections named by the full key path, values typed as in the registry:
//   [HKEY_CURRENT_USER\SOFTWARE\ALTROVIA\SALARION]
//   PERCORSOARCHIVI=sz:/home/office/ARCHIVI
//   SOMENUMBER=dword:42
// Key paths and value names match ignoring case, as in the registry. A string value may hold
// a NUL written as \0; reading stops at the first NUL. Lines that are not understood are kept
// when the file is saved again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

inline constexpr std::string_view kHkeyCurrentUser = "HKEY_CURRENT_USER";
inline constexpr std::string_view kSalarionKey = "SOFTWARE\\ALTROVIA\\SALARION";

class RegistryStore {
 public:
  // The store file used by default on this machine.
  static std::filesystem::path DefaultFile();

  // The workstation-wide store an administrator writes for every profile:
  // kaveltar/registry.ini in the first folder of $XDG_CONFIG_DIRS that holds one
  // (default /etc/xdg). Empty when there is none.
  static std::filesystem::path SystemFile();

  // The store a run reads: `user_file` when it exists, else the workstation-wide store when
  // there is one, else `user_file` (which then reads as empty).
  static std::filesystem::path EffectiveFile(const std::filesystem::path& user_file);

  // Loads the file; a missing file gives an empty store (every value reads as "").
  static Result<RegistryStore> Load(const std::filesystem::path& file);

  // A REG_SZ value up to its first NUL, a REG_DWORD value as decimal text; "" for a missing
  // key or value.
  std::string ReadRegistryString(std::string_view root, std::string_view key_path,
                                 std::string_view value_name) const;

  void SetString(std::string_view root, std::string_view key_path, std::string_view value_name,
                 std::string_view value);
  void SetDword(std::string_view root, std::string_view key_path, std::string_view value_name,
                uint32_t value);

  // Writes the store through a temporary file and a rename (never half written).
  Status Save(const std::filesystem::path& file) const;

 private:
  struct Line {
    std::string section;  // full key path of the section the line belongs to
    std::string name;     // value name; empty for a section header or a kept line
    std::string raw;      // the text as written in the file
  };
  std::vector<Line> lines_;
};

}  // namespace kaveltar
