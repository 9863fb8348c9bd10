// The CUPS side of the printer: destinations and job submission through libcups.
#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/printer_system.h"

namespace kaveltar {

namespace {

std::string LastCupsError() {
  const char* text = cupsLastErrorString();
  std::string reason =
      text != nullptr && *text != '\0' ? text : "errore " + std::to_string(cupsLastError());
  if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
    reason = "server " + std::string(cupsServer()) + " non in esecuzione (" + reason + ")";
  }
  return reason;
}

// The destination list of the default server, freed on scope exit.
class Destinations {
 public:
  Destinations() { count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_); }
  ~Destinations() { cupsFreeDests(count_, dests_); }
  Destinations(const Destinations&) = delete;
  Destinations& operator=(const Destinations&) = delete;

  // True when an empty list is the server's answer rather than a failure to reach it.
  bool ok() const { return count_ > 0 || cupsLastError() <= IPP_STATUS_OK_CONFLICTING; }
  int count() const { return count_; }
  cups_dest_t* at(int i) const { return &dests_[i]; }

  // "name" or "name/instance", as lp names destinations.
  cups_dest_t* Find(const std::string& full_name) const {
    const size_t slash = full_name.find('/');
    const std::string name = full_name.substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : full_name.substr(slash + 1);
    return cupsGetDest(name.c_str(), instance.empty() ? nullptr : instance.c_str(), count_, dests_);
  }

  static std::string FullName(const cups_dest_t& d) {
    std::string name = d.name;
    if (d.instance != nullptr) name.append("/").append(d.instance);
    return name;
  }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

class CupsPrintService : public PrintService {
 public:
  Result<std::vector<PrinterInfo>> ListPrinters() override {
    Destinations dests;
    if (!dests.ok()) return Status::IoError("CUPS non raggiungibile: " + LastCupsError());
    std::vector<PrinterInfo> printers;
    for (int i = 0; i < dests.count(); ++i) {
      const cups_dest_t& d = *dests.at(i);
      PrinterInfo info;
      info.name = Destinations::FullName(d);
      if (const char* text = cupsGetOption("printer-info", d.num_options, d.options)) {
        info.description = text;
      }
      info.is_default = d.is_default != 0;
      printers.push_back(std::move(info));
    }
    return printers;
  }

  Result<std::string> Submit(const std::string& printer, const std::string& title,
                             const std::filesystem::path& pdf) override {
    Destinations dests;
    if (!dests.ok()) return Status::IoError("CUPS non raggiungibile: " + LastCupsError());
    cups_dest_t* dest = dests.Find(printer);
    if (dest == nullptr) return Status::NotFound("stampante " + printer + " non trovata in CUPS");
    std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(pdf.c_str(), "rb"),
                                                            &std::fclose);
    if (!file) return Status::IoError(pdf.string() + ": file di stampa non leggibile");

    std::unique_ptr<http_t, decltype(&httpClose)> http(
        cupsConnectDest(dest, CUPS_DEST_FLAGS_NONE, /*msec=*/30000, nullptr, nullptr, 0, nullptr,
                        nullptr),
        &httpClose);
    if (!http) return Status::IoError(printer + ": connessione non riuscita: " + LastCupsError());
    std::unique_ptr<cups_dinfo_t, decltype(&cupsFreeDestInfo)> info(
        cupsCopyDestInfo(http.get(), dest), &cupsFreeDestInfo);
    if (!info) return Status::IoError(printer + ": " + LastCupsError());

    int job_id = 0;
    if (cupsCreateDestJob(http.get(), dest, info.get(), &job_id, title.c_str(), dest->num_options,
                          dest->options) > IPP_STATUS_OK_CONFLICTING) {
      return Status::IoError(printer + ": lavoro di stampa rifiutato: " + LastCupsError());
    }
    auto cancel = [&](const std::string& reason) -> Result<std::string> {
      cupsCancelDestJob(http.get(), dest, job_id);
      return Status::IoError(printer + ": " + reason);
    };
    if (cupsStartDestDocument(http.get(), dest, info.get(), job_id, title.c_str(), CUPS_FORMAT_PDF,
                              0, nullptr, /*last_document=*/1) != HTTP_STATUS_CONTINUE) {
      return cancel("invio del documento non riuscito: " + LastCupsError());
    }
    // Read and sent in 64 KiB pieces: a long report never sits whole in memory.
    std::vector<char> buffer(64 * 1024);
    for (;;) {
      const size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
      if (n == 0) {
        if (std::ferror(file.get())) {
          cupsFinishDestDocument(http.get(), dest, info.get());
          return cancel("lettura del file di stampa non riuscita");
        }
        break;
      }
      if (cupsWriteRequestData(http.get(), buffer.data(), n) != HTTP_STATUS_CONTINUE) {
        cupsFinishDestDocument(http.get(), dest, info.get());
        return cancel("invio del documento interrotto: " + LastCupsError());
      }
    }
    if (cupsFinishDestDocument(http.get(), dest, info.get()) > IPP_STATUS_OK_CONFLICTING) {
      return Status::IoError(printer + ": stampa non accettata: " + LastCupsError());
    }
    return printer + "-" + std::to_string(job_id);
  }
};

}  // namespace

std::unique_ptr<PrintService> MakeCupsPrintService() {
  return std::make_unique<CupsPrintService>();
}

}  // namespace kaveltar
