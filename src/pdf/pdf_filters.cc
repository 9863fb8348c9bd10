#include "pdf/pdf_filters.h"

#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

uint32_t Adler32(uint32_t adler, std::string_view data) {
  // Sums are reduced modulo 65521 at least every 5552 bytes, the most that cannot overflow
  // the 32-bit sums; each 16-byte block is summed with SSE2 (plain bytes with a sum of
  // absolute differences, weighted bytes with multiply-adds).
  constexpr uint32_t kBase = 65521;
  [[maybe_unused]] constexpr size_t kBlocksPerRound = 5552 / 16;
  auto bytes = reinterpret_cast<const uint8_t*>(data.data());
  size_t left = data.size();
  uint32_t s1 = adler & 0xFFFF;
  uint32_t s2 = adler >> 16;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights_first = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
  const __m128i weights_second = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
  while (left >= 16) {
    const size_t blocks = std::min(left / 16, kBlocksPerRound);
    __m128i sum = zero;       // bytes of the round so far
    __m128i sums = zero;      // `sum` before each block, added up
    __m128i weighted = zero;  // bytes weighted 16 to 1 within their block
    for (size_t b = 0; b < blocks; ++b, bytes += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
      sums = _mm_add_epi32(sums, sum);
      sum = _mm_add_epi32(sum, _mm_sad_epu8(v, zero));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights_first));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights_second));
    }
    alignas(16) uint32_t lanes[3][4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), sum);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), sums);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
    const uint64_t round_sum = uint64_t{lanes[0][0]} + lanes[0][2];
    const uint64_t round_sums = uint64_t{lanes[1][0]} + lanes[1][2];
    const uint64_t round_weighted =
        uint64_t{lanes[2][0]} + lanes[2][1] + lanes[2][2] + lanes[2][3];
    s2 = static_cast<uint32_t>((s2 + uint64_t{s1} * 16 * blocks + round_sums * 16 + round_weighted) % kBase);
    s1 = static_cast<uint32_t>((s1 + round_sum) % kBase);
    left -= blocks * 16;
  }
#endif
  while (left > 0) {
    const size_t round = std::min<size_t>(left, 5552);
    for (size_t i = 0; i < round; ++i) {
      s1 += *bytes++;
      s2 += s1;
    }
    s1 %= kBase;
    s2 %= kBase;
    left -= round;
  }
  return ((s2 % kBase) << 16) | (s1 % kBase);
}

// The stream is compressed as raw deflate data inside a zlib header and Adler-32 trailer
// written here: zlib's own checksum reads the data a byte at a time, ours a block at a
// time, and the bytes are the same.
struct FlateEncoder::State {
  z_stream stream{};
  bool initialised = false;
  bool header_written = false;
  unsigned char header[2] = {0, 0};
  uint32_t adler = 1;
};

FlateEncoder::FlateEncoder(int level) : state_(std::make_unique<State>()) {
  level = std::clamp(level, 1, 9);
  if (deflateInit2(&state_->stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
  state_->initialised = true;
  // The zlib header: deflate with a 32 KiB window, the level's class, a multiple of 31.
  const unsigned level_class = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  unsigned header = (0x78u << 8) | (level_class << 6);
  header += 31 - header % 31;
  state_->header[0] = static_cast<unsigned char>(header >> 8);
  state_->header[1] = static_cast<unsigned char>(header & 0xFF);
}

FlateEncoder::~FlateEncoder() {
  if (state_->initialised) deflateEnd(&state_->stream);
}

void FlateEncoder::Start() {
  deflateReset(&state_->stream);
  state_->header_written = false;
  state_->adler = 1;
}

void FlateEncoder::Feed(std::string_view data, std::string* out) { Run(data, Z_NO_FLUSH, out); }

void FlateEncoder::Finish(std::string* out) { Run({}, Z_FINISH, out); }

void FlateEncoder::Run(std::string_view data, int flush, std::string* out) {
  if (!state_->header_written) {
    out->append(reinterpret_cast<const char*>(state_->header), 2);
    state_->header_written = true;
  }
  state_->adler = Adler32(state_->adler, data);
  z_stream& z = state_->stream;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  for (;;) {
    const size_t used = out->size();
    const size_t room = std::max<size_t>(deflateBound(&z, z.avail_in) + 64, 4096);
    out->resize(used + room);
    z.next_out = reinterpret_cast<Bytef*>(out->data() + used);
    z.avail_out = static_cast<uInt>(room);
    const int rc = deflate(&z, flush);
    out->resize(used + room - z.avail_out);
    if (rc == Z_STREAM_END) {
      const uint32_t a = state_->adler;
      const char trailer[4] = {static_cast<char>(a >> 24), static_cast<char>(a >> 16),
                               static_cast<char>(a >> 8), static_cast<char>(a)};
      out->append(trailer, 4);
      return;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw std::runtime_error("deflate");
    if (flush == Z_NO_FLUSH && z.avail_in == 0) return;
  }
}

std::string FlateCompress(std::string_view data, int level) {
  FlateEncoder encoder(level);
  std::string out;
  EncodeAll(encoder, data, &out);
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
