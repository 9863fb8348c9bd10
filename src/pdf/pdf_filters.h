// Stream encoders for the PDF filters the writer can apply: RunLengthDecode, FlateDecode,
// LZWDecode, ASCII85Decode and ASCIIHexDecode. Each encoder has one shape: Start begins a
// stream, Feed encodes the next piece of data, Finish writes what is pending and the
// end-of-data mark; the output is appended to a caller's buffer. Encoders are reused from
// stream to stream so that their tables are allocated once.
#ifndef KAVELTAR_PDF_PDF_FILTERS_H_
#define KAVELTAR_PDF_PDF_FILTERS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

class StreamEncoder {
 public:
  virtual ~StreamEncoder() = default;
  // The name of the PDF filter that decodes this encoder's output ("/LZWDecode").
  virtual std::string_view FilterName() const = 0;
  virtual void Start() = 0;
  virtual void Feed(std::string_view data, std::string* out) = 0;
  virtual void Finish(std::string* out) = 0;
};

// Start, one Feed of the whole data and Finish; the result replaces *out.
void EncodeAll(StreamEncoder& encoder, std::string_view data, std::string* out);

// PackBits-style runs: a length byte 0-127 copies the next 1-128 bytes, 129-255 repeats the
// next byte 257 - length times, 128 ends the data.
class RunLengthEncoder : public StreamEncoder {
 public:
  std::string_view FilterName() const override { return "/RunLengthDecode"; }
  void Start() override { pending_.clear(); }
  void Feed(std::string_view data, std::string* out) override;
  void Finish(std::string* out) override;

 private:
  // Encodes complete packets of pending_; with `all` also the last one.
  void Drain(bool all, std::string* out);
  std::string pending_;
};

// Deflate with a zlib header and Adler-32 trailer, at a compression level from 1 to 9. The
// pieces fed are compressed as one block of data when the stream finishes.
class FlateEncoder : public StreamEncoder {
 public:
  explicit FlateEncoder(int level);
  ~FlateEncoder() override;
  FlateEncoder(const FlateEncoder&) = delete;
  FlateEncoder& operator=(const FlateEncoder&) = delete;

  std::string_view FilterName() const override { return "/FlateDecode"; }
  void Start() override;
  void Feed(std::string_view data, std::string* out) override;
  void Finish(std::string* out) override;
  // Compresses `data` as a whole stream of its own, appended to *out.
  void Compress(std::string_view data, std::string* out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// LZW as the LZWDecode filter reads it with its default early change.
//
// Codes are 9 to 9 + quality bits wide (quality 0-3, so at most 12 bits); 256 is the clear
// code and 257 the end of data. The string table is an open-addressed hash of 5021 slots
// (a prime): each slot holds a code, the prefix code and the appended byte, or nothing. The slot of
// the pair (prefix p, byte c) is (c * 2^(1 + quality)) XOR p; on a collision the search steps down
// by 5021 - slot (1 for slot 0), wrapping around, and an empty slot ends it.
//
// The encoder starts as if its table were full: it writes the clear code, empties the table
// and sets the last assigned code to 257, so the first new string gets 258. For every byte
// the pair (prefix, byte) is looked up; a hit makes the pair's code the new prefix. A miss
// writes the prefix's code, stores the pair under the next code and makes the byte the new
// prefix; the width becomes 10 bits once code 511 is assigned, 11 at 1023 and 12 at 2047,
// one code early, as the decoder expects. When the assigned code reaches the largest code
// (2^(9 + quality) - 1) the clear code is written and the table starts again. At the end
// the last prefix and the end-of-data code are written; bits are packed most significant
// first and the last byte is padded with zeros.
class LzwEncoder : public StreamEncoder {
 public:
  static constexpr int kSlots = 5021;

  explicit LzwEncoder(int quality);
  std::string_view FilterName() const override { return "/LZWDecode"; }
  void Start() override;
  void Feed(std::string_view data, std::string* out) override;
  void Finish(std::string* out) override;

 private:
  void PutCode(unsigned code, std::string* out);
  void ClearTable();

  int max_code_;
  int multiplier_;
  int next_code_ = 257;
  int width_ = 9;
  int prefix_ = -1;
  bool started_ = false;
  uint32_t bit_buffer_ = 0;
  int bit_count_ = 0;
  // The prefix code and the appended byte packed as (prefix << 8 | byte) + 1, so that one
  // comparison tests a slot and 0 marks it empty; then the code stored for the pair.
  struct Slot {
    uint32_t pair_plus_one;
    uint16_t code;
  };
  Slot slots_[kSlots];
};

// Base-85 groups of four bytes ("z" for four zero bytes), ending with "~>".
class Ascii85Encoder : public StreamEncoder {
 public:
  std::string_view FilterName() const override { return "/ASCII85Decode"; }
  void Start() override { carry_size_ = 0; }
  void Feed(std::string_view data, std::string* out) override;
  void Finish(std::string* out) override;

 private:
  uint8_t carry_[4] = {};
  int carry_size_ = 0;
};

// Two hexadecimal digits per byte, ending with ">".
class AsciiHexEncoder : public StreamEncoder {
 public:
  std::string_view FilterName() const override { return "/ASCIIHexDecode"; }
  void Start() override {}
  void Feed(std::string_view data, std::string* out) override;
  void Finish(std::string* out) override { out->push_back('>'); }
};

// Compresses `data` with Flate at `level` (1-9) into a new string.
std::string FlateCompress(std::string_view data, int level);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_FILTERS_H_
