// The support-log entry of one kaveltar-cli run: the command line (passwords and database
// addresses hidden), the exit status, the duration, and the last lines the command printed,
// which carry its counts ("Memorizzati: 120", "Pagine: 3") and its errors.
#pragma once

#include <chrono>
#include <ostream>
#include <streambuf>
#include <string>

namespace kaveltar::cli {

// A stream buffer that passes everything on to another stream and keeps the last few hundred
// characters written.
class OutputTail : public std::streambuf {
 public:
  explicit OutputTail(std::ostream& target) : target_(target) {}
  // The last lines kept, at most `max_lines`, without blank ones. With `counts_only`, only the
  // lines shaped as "Label: value" (the counts and settings a command ends with), so that the
  // log does not copy listings of names.
  std::string LastLines(int max_lines, bool counts_only = false) const;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void Keep(const char* s, size_t n);
  std::ostream& target_;
  std::string tail_;
};

// Writes the entry of a finished run.
void LogCommandRun(int argc, const char* const* argv, int status,
                   std::chrono::steady_clock::duration elapsed, const OutputTail& out,
                   const OutputTail& err);

}  // namespace kaveltar::cli
