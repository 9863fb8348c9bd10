// The sample sheet of the PDF writer (pdf/test_page.h) drawn on the printer through the report
// primitives: a check of a printer set-up with the same drawing a monthly sheet uses.
#pragma once

#include "reports/print_primitives.h"

namespace kaveltar {

// Prints pages 1 to `pages` of the sample sheet as one printer document and ends it (EndDoc).
// Switches the target to printer output.
void PrintTestPages(ReportTarget& target, int pages);

}  // namespace kaveltar
