#include "pdf/pdf_page_writer.h"

namespace kaveltar {

PdfDocument::PageWriter::PageWriter(PdfDocument* doc) : doc_(doc) {
  thread_ = std::thread([this] { Loop(); });
}

PdfDocument::PageWriter::~PageWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  thread_.join();
}

std::string PdfDocument::PageWriter::Submit(PageJob job) {
  const size_t capacity = job.content.capacity();
  std::string buffer;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    progress_.wait(lock, [this] { return queue_.size() < 2; });
    queue_.push_back(std::move(job));
    if (!free_buffers_.empty()) {
      buffer = std::move(free_buffers_.back());
      free_buffers_.pop_back();
    }
  }
  work_.notify_one();
  if (buffer.capacity() < capacity) buffer.reserve(capacity);
  return buffer;
}

void PdfDocument::PageWriter::Drain() {
  std::vector<std::pair<int, uint64_t>> written;
  std::exception_ptr failure;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    progress_.wait(lock, [this] { return queue_.empty() && !busy_; });
    written.swap(offsets_);
    failure = failure_;
  }
  for (const auto& [number, offset] : written) doc_->offsets_[static_cast<size_t>(number)] = offset;
  if (failure) std::rethrow_exception(failure);
}

void PdfDocument::PageWriter::Loop() {
  for (;;) {
    PageJob job;
    bool skip;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
      skip = failure_ != nullptr;
    }
    std::exception_ptr failure;
    uint64_t contents_offset = 0, page_offset = 0;
    if (!skip) {
      try {
        contents_offset = doc_->EmitStream(scratch_, job.contents, job.compression, job.quality, "",
                                           job.head, job.content, "", -1);
        page_offset = doc_->EmitObject(job.page, job.page_body);
      } catch (...) {
        failure = std::current_exception();
      }
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      offsets_.emplace_back(job.contents, contents_offset);
      offsets_.emplace_back(job.page, page_offset);
      if (failure) failure_ = failure;
      job.content.clear();
      free_buffers_.push_back(std::move(job.content));
      busy_ = false;
    }
    progress_.notify_all();
  }
}

}  // namespace kaveltar
