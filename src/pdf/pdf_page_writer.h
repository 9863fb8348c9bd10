// The helper thread of PdfDocument that encodes and writes page contents while the caller
// draws the next page.
//
// EndPage queues the page (its content stream and page object, with their object numbers
// already given) and takes back an empty buffer for the next page's content; at most two
// pages wait, so memory stays bounded. Pages are written in the order they were queued.
// Every other write of the document first calls Drain, which waits for the queue to empty
// and records the offsets of the objects written meanwhile; while pages are queued the
// caller's thread does not touch the output. The document's bytes are the same as when
// everything is written on the caller's thread.
#ifndef KAVELTAR_PDF_PDF_PAGE_WRITER_H_
#define KAVELTAR_PDF_PDF_PAGE_WRITER_H_

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pdf/pdf_document.h"
#include "pdf/pdf_filters.h"

namespace kaveltar {

class PdfDocument::PageWriter {
 public:
  explicit PageWriter(PdfDocument* doc);
  // Drops the pages still queued and ends the thread.
  ~PageWriter();
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  // Queues a page, waiting while two are already queued; returns an empty buffer for the
  // next page's content.
  std::string Submit(PageJob job);
  // Waits until every queued page is written and records the offsets of their objects.
  // Rethrows a failure of the thread (the document is then unusable).
  void Drain();

 private:
  void Loop();

  PdfDocument* doc_;
  StreamScratch scratch_;
  std::mutex mutex_;
  std::condition_variable work_;      // a page was queued, or the thread must stop
  std::condition_variable progress_;  // a page was written
  std::deque<PageJob> queue_;
  bool busy_ = false;
  bool stop_ = false;
  std::vector<std::pair<int, uint64_t>> offsets_;  // object number, offset
  std::vector<std::string> free_buffers_;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace kaveltar

#endif  // KAVELTAR_PDF_PDF_PAGE_WRITER_H_
