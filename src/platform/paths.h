// Paths of a Windows installation on this machine. Drive letters map to folders
// (KAVELTAR_DRIVE_<LETTER>, default $XDG_DATA_HOME/kaveltar/drive_<letter>), backslashes
// become slashes, and a name that does not exist with its exact case is looked up
// case-insensitively, component by component, since the archives come from Windows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kaveltar {

// The folder that stands for a drive letter ("C" or "c").
std::filesystem::path DriveFolder(char letter);

// Maps "C:\PQXPAGHE\QXPERARK.QXP" to <drive C folder>/PQXPAGHE/QXPERARK.QXP; a path without a
// drive letter only has its backslashes turned into slashes.
std::filesystem::path MapWindowsPath(std::string_view path);

// The existing file or folder whose name matches `path` ignoring case (each component is
// first tried with its exact case). When nothing matches, `path` is returned unchanged, so a
// new file is created with the name as given.
std::filesystem::path FindCaseInsensitive(const std::filesystem::path& path);

// True when the file can be opened for reading.
bool FileExists(const std::filesystem::path& path);
// True when the path is an existing folder.
bool FolderExists(const std::filesystem::path& path);

// Deletes the target when it exists, then copies the source to it (through a temporary file
// in the target's folder and a rename, so a failure never leaves half a file).
// Throws RunTimeError (53 source not found, 75/76 target not writable) on failure.
void COPIAFILE(const std::filesystem::path& source, const std::filesystem::path& target);

// The first line of a text file, without its line end; "" when missing or empty.
std::string ReadFirstLine(const std::filesystem::path& path);

}  // namespace kaveltar
