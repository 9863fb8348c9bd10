#include "cli/run_log.h"

#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/log_file.h"

namespace kaveltar::cli {
namespace {

constexpr size_t kTailBytes = 600;

// Options whose value must not reach the log: passwords, and database addresses, which may
// hold one.
bool IsSecretOption(std::string_view arg) {
  return arg == "--db" || arg.find("password") != std::string_view::npos;
}

}  // namespace

void OutputTail::Keep(const char* s, size_t n) {
  tail_.append(s, n);
  if (tail_.size() > 2 * kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
}

OutputTail::int_type OutputTail::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  target_.put(ch);
  Keep(&ch, 1);
  return c;
}

std::streamsize OutputTail::xsputn(const char* s, std::streamsize n) {
  target_.write(s, n);
  Keep(s, static_cast<size_t>(n));
  return n;
}

int OutputTail::sync() {
  target_.flush();
  return 0;
}

// "Memorizzati: 120", "NextNumber: 7": a short label of letters and blanks, then ": ".
static bool IsCountLine(std::string_view line) {
  const size_t colon = line.find(": ");
  if (colon == 0 || colon == std::string_view::npos || colon > 40 || line[0] == ' ') return false;
  for (char c : line.substr(0, colon)) {
    const auto u = static_cast<unsigned char>(c);
    if (!(std::isalpha(u) || c == ' ' || c == '_' || u >= 0x80)) return false;
  }
  return true;
}

std::string OutputTail::LastLines(int max_lines, bool counts_only) const {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < tail_.size()) {
    size_t end = tail_.find('\n', start);
    if (end == std::string::npos) end = tail_.size();
    const std::string_view line(tail_.data() + start, end - start);
    if (!line.empty() && (!counts_only || IsCountLine(line))) lines.emplace_back(line);
    start = end + 1;
  }
  std::string out;
  const size_t first = lines.size() > static_cast<size_t>(max_lines) ? lines.size() - max_lines : 0;
  for (size_t i = first; i < lines.size(); ++i) out.append(lines[i]).append("\n");
  return out;
}

void LogCommandRun(int argc, const char* const* argv, int status,
                   std::chrono::steady_clock::duration elapsed, const OutputTail& out,
                   const OutputTail& err) {
  std::string entry;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const size_t eq = arg.find('=');
    if (eq != std::string_view::npos && IsSecretOption(arg.substr(0, eq))) {
      entry.append(arg.substr(0, eq)).append("=*** ");
      continue;
    }
    entry.append(arg).append(" ");
    if (IsSecretOption(arg) && i + 1 < argc) {
      entry.append("*** ");
      ++i;
    }
  }
  char figures[64];
  std::snprintf(figures, sizeof figures, ": stato %d, %.2f s\n", status,
                std::chrono::duration<double>(elapsed).count());
  if (!entry.empty()) entry.pop_back();
  entry += figures;
  entry += out.LastLines(3, /*counts_only=*/true);
  entry += err.LastLines(5);
  WriteLog("kaveltar-cli", entry);
}

}  // namespace kaveltar::cli
