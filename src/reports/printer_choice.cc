#include "reports/printer_choice.h"

#include <fstream>
#include <istream>

#include "base/encoding.h"
#include "base/fatal.h"

namespace kaveltar {

namespace {

std::string ReadLine(std::istream& in) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return Cp1252ToUtf8(line);
}

}  // namespace

void LEGGISTAMPANTESTD(ArchiveFiles& files, TraceRing& trace, PrinterJob& printer,
                       PrinterNames* names) {
  trace.TraceProcedure("LEGGISTAMPANTESTD");
  names->standard.clear();
  names->graphic.clear();
  try {
    if (files.VERBASE(kPrinterSettingsBase) == 1) {
      std::istream& in = files.FAIOPENIO(kPrinterSettingsBase, 0);
      names->standard = ReadLine(in);
      if (in.peek() != std::char_traits<char>::eof()) names->graphic = ReadLine(in);
      files.CloseArchiveFile(kPrinterSettingsBase);
    }
    if (!printer.fixed_by_operator()) SelectPrinterByName(printer, names->graphic);
  } catch (const Fatal&) {
    throw;  // the program ends: not an error of this procedure
  } catch (const std::exception&) {
    // Any error leaves the printer as it was, without a message.
    files.CloseArchiveFile(kPrinterSettingsBase);
  }
}

}  // namespace kaveltar
