// AnomalyList: the printed list of anomalies of a batch operation (month memorization,
// external import, payroll items export). The heading opens a new print job; the operation
// prints one line per anomaly; at the end the job is printed only when at least one anomaly
// line followed the heading, otherwise it is thrown away.
#pragma once

#include <string>
#include <string_view>

#include "platform/printer.h"

namespace kaveltar {

class AnomalyList {
 public:
  explicit AnomalyList(PrinterJob& printer) : printer_(printer) {}
  // A list that was not finished is thrown away.
  ~AnomalyList();
  AnomalyList(const AnomalyList&) = delete;
  AnomalyList& operator=(const AnomalyList&) = delete;

  // Starts the list on a new print job (a list already started is finished first, and a
  // document left open on the printer is printed) and prints its heading in "Courier New" 10 points
  // bold italic: a line of 80 "=", an empty line, `heading` in upper case, an empty line, 80 "="
  // and two empty lines. The lines that follow are in "Courier New" 10 points, upright and not
  // bold.
  void PREPARATESTATA(std::string_view heading);

  // Prints one anomaly line (UTF-8).
  void Print(std::string_view line);
  int lines() const { return lines_; }

  // Ends the list: the job is printed when at least one anomaly line was printed, otherwise
  // discarded. Returns true when it was printed (false too when the printer failed and the
  // operator gave up). Further calls do nothing.
  bool Finish();

 private:
  PrinterJob& printer_;
  bool open_ = false;
  int lines_ = 0;
};

// Upper case of a UTF-8 text for the letters of the Windows code page (accented letters
// included); other characters are kept.
std::string UpperCaseText(std::string_view text);

}  // namespace kaveltar
