// Shared by the source files of PdfDocument: the internal failure type and the guard that
// turns failures into the recorded error of a public operation.
#ifndef KAVELTAR_PDF_PDF_DOCUMENT_INTERNAL_H_
#define KAVELTAR_PDF_PDF_DOCUMENT_INTERNAL_H_

#include <algorithm>
#include <cmath>
#include <exception>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "pdf/pdf_document.h"

namespace kaveltar {
namespace pdf_internal {

// Error numbers of the program's run-time that the writer records.
constexpr long kErrInvalidArgument = 5;
constexpr long kErrOutOfMemory = 7;
constexpr long kErrNoDocument = 52;
constexpr long kErrFileNotFound = 53;
constexpr long kErrDeviceIo = 57;
constexpr long kErrFileAccess = 75;
constexpr long kErrPathNotFound = 76;
constexpr long kErrInvalidPicture = 481;

// True when every value is a finite number (no infinity, no NaN).
inline bool Finite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// Thrown inside the writer to abandon an operation; caught by the guard.
struct PdfFailure {
  long number;
  std::string detail;
};

}  // namespace pdf_internal

template <typename Body>
void PdfDocument::Guard(const char* operation, Body&& body) {
  if (err_number_ != 0) {
    err_number_ = 0;
    err_source_.clear();
    err_description_.clear();
  }
  try {
    std::forward<Body>(body)();
  } catch (const pdf_internal::PdfFailure& failure) {
    RecordError(operation, failure.number, failure.detail);
  } catch (const std::bad_alloc&) {
    RecordError(operation, pdf_internal::kErrOutOfMemory, "");
  } catch (const std::exception& e) {
    RecordError(operation, pdf_internal::kErrInvalidArgument, e.what());
  } catch (...) {
    RecordError(operation, pdf_internal::kErrInvalidArgument, "");
  }
}

// Tables grow by the highest object number plus 10, plus a fifth of it per step of the
// memory usage setting above 1.
template <typename T>
void PdfDocument::Grow(std::vector<T>* table, size_t needed) {
  if (needed <= table->capacity()) return;
  const size_t h = static_cast<size_t>(highest_object_);
  const size_t step = memory_usage_ == 1 ? h + 10 : h + 10 + h * memory_usage_ / 5;
  table->reserve(std::max(needed, table->size() + step));
}

}  // namespace kaveltar

#endif  // KAVELTAR_PDF_PDF_DOCUMENT_INTERNAL_H_
