// The support log: one text file per user that both programs append to, so that a clerk can
// send it to whoever supports them. It holds the start-up settings, each job run with its
// counts and duration, and every error with the trace of the last procedures.
//
// Place: $KAVELTAR_LOG when set (a file path; "off" writes nothing), else
// $XDG_STATE_HOME/kaveltar/kaveltar.log, default ~/.local/state/kaveltar/kaveltar.log.
//
// Each entry is written with one append, so entries of programs running at the same time do
// not mix:
//   2026-12-06 09:14:03 kaveltar-cli[4120] memorize: stato 0, 2.41 s
//     Memorizzati: 120
// Continuation lines are indented by two blanks. When the file has grown past kLogRotateBytes
// it is renamed to kaveltar.log.1 (replacing the older one) before the next entry, so the two
// files together never hold much more than twice that size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kaveltar {

inline constexpr std::uintmax_t kLogRotateBytes = 1024 * 1024;

// The log file of this user; empty when logging is off.
std::filesystem::path LogFilePath();

// Appends one entry. `program` names the writer ("kaveltar", "kaveltar-cli"); `text` may hold
// several lines. Failures to write are ignored: the log must never stop the office's work.
void WriteLog(std::string_view program, std::string_view text);

}  // namespace kaveltar
