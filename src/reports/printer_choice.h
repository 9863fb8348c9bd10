// The installation's choice of printer (LEGGISTAMPANTESTD): the printer settings file, archive
// base 280 ("STAMPA$$.INI"), holds the standard printer's name on its first line and the
// graphic printer's name on its second. The graphic printer, when the system has a printer of
// exactly that name, becomes the current printer; otherwise the system's default stays.
#pragma once

#include <string>

#include "archive/archive_files.h"
#include "base/trace.h"
#include "platform/printer.h"

namespace kaveltar {

inline constexpr int kPrinterSettingsBase = 280;

struct PrinterNames {
  std::string standard;  // first line of the settings file
  std::string graphic;   // second line
};

// Reads the two names into *names (both emptied first) and selects the graphic printer. Any
// failure (no settings file, an unreadable one, a printer list that cannot be read) ends the
// procedure silently with the choice left as it was. A printer fixed by the operator for the
// run (--printer, KAVELTAR_PRINTER) is not changed; the names are read all the same.
void LEGGISTAMPANTESTD(ArchiveFiles& files, TraceRing& trace, PrinterJob& printer,
                       PrinterNames* names);

}  // namespace kaveltar
