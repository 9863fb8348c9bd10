#include "pdf/pdf_filters.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace kaveltar::pdf_internal {

void EncodeAll(StreamEncoder& encoder, std::string_view data, std::string* out) {
  out->clear();
  encoder.Start();
  encoder.Feed(data, out);
  encoder.Finish(out);
}

// ---------------------------------------------------------------------------------------
// Run length

void RunLengthEncoder::Feed(std::string_view data, std::string* out) {
  pending_.append(data);
  Drain(false, out);
}

void RunLengthEncoder::Finish(std::string* out) {
  Drain(true, out);
  out->push_back(static_cast<char>(128));
}

void RunLengthEncoder::Drain(bool all, std::string* out) {
  const size_t n = pending_.size();
  size_t i = 0;
  // Without `all`, keep the last 128 bytes: a run or literal there may continue.
  const size_t limit = all ? n : (n > 128 ? n - 128 : 0);
  while (i < limit || (all && i < n)) {
    size_t run = 1;
    while (i + run < n && run < 128 && pending_[i + run] == pending_[i]) ++run;
    if (run >= 2) {
      out->push_back(static_cast<char>(257 - run));
      out->push_back(pending_[i]);
      i += run;
      continue;
    }
    // A literal packet up to the next pair of equal bytes.
    size_t len = 1;
    while (i + len < n && len < 128 &&
           !(i + len + 1 < n && pending_[i + len] == pending_[i + len + 1])) {
      ++len;
    }
    out->push_back(static_cast<char>(len - 1));
    out->append(pending_, i, len);
    i += len;
  }
  pending_.erase(0, i);
}

// ---------------------------------------------------------------------------------------
// Flate

// The stream is compressed whole by libdeflate, zlib header and Adler-32 trailer included:
// its compressor is several times faster than zlib's at the same level and writes the same
// format, at a comparable size. Feed only collects the pieces.
struct FlateEncoder::State {
  libdeflate_compressor* compressor = nullptr;
  std::string pending;
};

FlateEncoder::FlateEncoder(int level) : state_(std::make_unique<State>()) {
  state_->compressor = libdeflate_alloc_compressor(std::clamp(level, 1, 9));
  if (state_->compressor == nullptr) throw std::bad_alloc();
}

FlateEncoder::~FlateEncoder() { libdeflate_free_compressor(state_->compressor); }

void FlateEncoder::Start() { state_->pending.clear(); }

void FlateEncoder::Feed(std::string_view data, std::string* out) {
  (void)out;
  state_->pending.append(data);
}

void FlateEncoder::Finish(std::string* out) { Compress(state_->pending, out); }

void FlateEncoder::Compress(std::string_view data, std::string* out) {
  const size_t used = out->size();
  const size_t room = libdeflate_zlib_compress_bound(state_->compressor, data.size());
  out->resize(used + room);
  const size_t written = libdeflate_zlib_compress(state_->compressor, data.data(), data.size(),
                                                  out->data() + used, room);
  // The bound is a worst case: a zero here would be a broken library.
  if (written == 0) throw std::runtime_error("deflate");
  out->resize(used + written);
}

std::string FlateCompress(std::string_view data, int level) {
  FlateEncoder encoder(level);
  std::string out;
  encoder.Compress(data, &out);
  return out;
}

// ---------------------------------------------------------------------------------------
// LZW

LzwEncoder::LzwEncoder(int quality) {
  quality = std::clamp(quality, 0, 3);
  max_code_ = (1 << (9 + quality)) - 1;
  multiplier_ = 1 << (1 + quality);
  ClearTable();
}

void LzwEncoder::ClearTable() {
  std::memset(slots_, 0, sizeof slots_);
  next_code_ = 257;
  width_ = 9;
}

void LzwEncoder::PutCode(unsigned code, std::string* out) {
  bit_buffer_ = (bit_buffer_ << width_) | code;
  bit_count_ += width_;
  while (bit_count_ >= 8) {
    bit_count_ -= 8;
    out->push_back(static_cast<char>(bit_buffer_ >> bit_count_));
  }
  bit_buffer_ &= (1u << bit_count_) - 1;
}

void LzwEncoder::Start() {
  bit_buffer_ = 0;
  bit_count_ = 0;
  prefix_ = -1;
  started_ = false;
  ClearTable();
}

void LzwEncoder::Feed(std::string_view data, std::string* out) {
  if (!started_) {
    // The table counts as full at the start: clear code first, in 9 bits.
    width_ = 9;
    PutCode(256, out);
    ClearTable();
    started_ = true;
  }
  out->reserve(out->size() + static_cast<size_t>((data.size() + 1) * 1.5) + 1);
  size_t i = 0;
  if (prefix_ < 0) {
    if (data.empty()) return;
    prefix_ = static_cast<uint8_t>(data[0]);
    i = 1;
  }
  for (; i < data.size(); ++i) {
    const int c = static_cast<uint8_t>(data[i]);
    int slot = (c * multiplier_) ^ prefix_;
    const int step = slot == 0 ? 1 : kSlots - slot;
    const uint32_t pair = ((static_cast<uint32_t>(prefix_) << 8) | static_cast<uint32_t>(c)) + 1;
    bool found = false;
    for (;;) {
      const uint32_t stored = slots_[slot].pair_plus_one;
      if (stored == pair) {
        found = true;
        break;
      }
      if (stored == 0) break;
      slot -= step;
      if (slot < 0) slot += kSlots;
    }
    if (found) {
      prefix_ = slots_[slot].code;
      continue;
    }
    PutCode(static_cast<unsigned>(prefix_), out);
    ++next_code_;
    slots_[slot] = {pair, static_cast<uint16_t>(next_code_)};
    if (next_code_ == 511) {
      width_ = 10;
    } else if (next_code_ == 1023) {
      width_ = 11;
    } else if (next_code_ == 2047) {
      width_ = 12;
    }
    prefix_ = c;
    if (next_code_ >= max_code_) {
      PutCode(256, out);
      ClearTable();
    }
  }
}

void LzwEncoder::Finish(std::string* out) {
  if (!started_) Feed({}, out);
  if (prefix_ >= 0) PutCode(static_cast<unsigned>(prefix_), out);
  PutCode(257, out);
  if (bit_count_ > 0) {
    out->push_back(static_cast<char>(bit_buffer_ << (8 - bit_count_)));
    bit_count_ = 0;
    bit_buffer_ = 0;
  }
}

// ---------------------------------------------------------------------------------------
// ASCII85 and ASCIIHex

namespace {

void PutBase85Group(const uint8_t* bytes, int count, std::string* out) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | (i < count ? bytes[i] : 0);
  if (count == 4 && value == 0) {
    out->push_back('z');
    return;
  }
  char digits[5];
  for (int i = 4; i >= 0; --i) {
    digits[i] = static_cast<char>('!' + value % 85);
    value /= 85;
  }
  out->append(digits, static_cast<size_t>(count + 1));
}

}  // namespace

void Ascii85Encoder::Feed(std::string_view data, std::string* out) {
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  size_t n = data.size();
  out->reserve(out->size() + n / 4 * 5 + 8);
  while (n > 0 && carry_size_ > 0 && carry_size_ < 4) {
    carry_[carry_size_++] = *p++;
    --n;
    if (carry_size_ == 4) {
      PutBase85Group(carry_, 4, out);
      carry_size_ = 0;
      break;
    }
  }
  for (; n >= 4; n -= 4, p += 4) PutBase85Group(p, 4, out);
  for (; n > 0; --n) carry_[carry_size_++] = *p++;
}

void Ascii85Encoder::Finish(std::string* out) {
  if (carry_size_ > 0) PutBase85Group(carry_, carry_size_, out);
  carry_size_ = 0;
  out->append("~>");
}

void AsciiHexEncoder::Feed(std::string_view data, std::string* out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const size_t base = out->size();
  out->resize(base + data.size() * 2);
  char* q = out->data() + base;
  for (unsigned char c : data) {
    *q++ = kDigits[c >> 4];
    *q++ = kDigits[c & 15];
  }
}

}  // namespace kaveltar::pdf_internal
