// Reader of existing PDF files, for ImportPage: it finds the objects, the page tree and a
// page's content and resources. It reads unencrypted files with a classic cross-reference
// table or a cross-reference stream (and both, in hybrid files), object streams, and the
// filters FlateDecode, LZWDecode (with their PNG and TIFF predictors), ASCII85Decode,
// ASCIIHexDecode and RunLengthDecode. Image filters (DCTDecode, JPXDecode, CCITTFaxDecode,
// JBIG2Decode) are known but not decoded: such streams are copied as they are.
//
// Structure read:
//   end of file      "startxref", the offset of the last cross-reference section, "%%EOF"
//                    (the last 1024 bytes are searched for "startxref")
//   table section    "xref", then subsections "first count" with count entries
//                    "offset generation n|f"; then "trailer" and its dictionary
//   stream section   "n g obj" << /Type /XRef /W [w1 w2 w3] /Index [first count ...]
//                    /Size n >> stream: rows of type (0 free, 1 offset, 2 in an object
//                    stream: stream number and index), fields big-endian of w1, w2, w3 bytes
//                    (type 1 when w1 is 0)
//   /Prev            the previous section (older entries never replace newer ones);
//                    /XRefStm of a hybrid table section is read before its /Prev
//   object stream    << /Type /ObjStm /N n /First f >>: n pairs "number offset", then the
//                    objects from f
//   page tree        /Root -> /Pages -> /Kids ... /Type /Page; /Resources, /MediaBox,
//                    /CropBox, /Rotate are inherited from the ancestors
// Refused with a reason: an /Encrypt entry, a missing or broken cross-reference, objects
// nested deeper than 64 levels, a stream whose /Length is wrong and no "endstream", a page
// tree that loops, a filter not listed above. Limits: 256 MiB of decoded data per stream.
#ifndef KAVELTAR_PDF_PDF_READER_H_
#define KAVELTAR_PDF_PDF_READER_H_

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaveltar::pdf_internal {

struct PdfEntry;

struct PdfValue {
  enum Kind { kNull, kBool, kNumber, kString, kName, kArray, kDict, kRef };
  Kind kind = kNull;
  bool boolean = false;
  double number = 0;
  std::string text;               // numbers: as written; strings: their bytes; names: without "/"
  std::vector<PdfValue> items;    // array
  std::vector<PdfEntry> entries;  // dictionary
  int ref = 0;                    // object number of a reference

  const PdfValue* Find(std::string_view key) const;
};

struct PdfEntry {
  std::string key;
  PdfValue value;
};

// One indirect object; a stream keeps its raw (still encoded) data.
struct PdfObject {
  PdfValue value;
  bool is_stream = false;
  std::string stream;
};

struct PdfPage {
  double box[4] = {0, 0, 612, 792};  // crop box, else media box
  PdfValue resources;                // a dictionary, or null
  int rotate = 0;                    // 0, 90, 180 or 270: turned clockwise when shown
  std::string content;               // decoded and joined content streams
};

class PdfReader {
 public:
  // Reads the cross-reference data of `data`, which must outlive the reader.
  bool Open(std::string_view data, std::string* reason);
  // The trailer dictionary (of the newest cross-reference section).
  const PdfValue& Trailer() const { return trailer_; }
  // Number of pages; 0 when the page tree is unreadable.
  int PageCount();
  // Page `number` from 1.
  bool ReadPage(int number, PdfPage* page, std::string* reason);
  // The object `number`; false with a reason when it is missing or unreadable.
  bool Fetch(int number, PdfObject* object, std::string* reason);
  // `value` itself, or the object it refers to (null when that is missing).
  PdfValue Resolve(const PdfValue& value);
  // True when every filter of the stream dictionary can be decoded here.
  static bool Decodable(const PdfValue& dict);
  // Decodes stream data through all its filters.
  bool Decode(const PdfValue& dict, std::string_view raw, std::string* out, std::string* reason);

 private:
  struct Entry {
    int type = 0;  // 1 at an offset, 2 inside an object stream
    uint64_t where = 0;
    int index = 0;
  };
  bool ReadSection(uint64_t offset, int depth);
  // The entries of a cross-reference stream: `rows` decoded, laid out by /W and /Index.
  bool ReadXrefStreamRows(const PdfValue& trailer, const std::string& rows);
  bool FetchAt(int number, PdfObject* object, int depth);
  // An object stored inside an object stream (`entry` of type 2); the stream is decoded and
  // indexed the first time one of its objects is asked for.
  bool FetchFromObjectStream(int number, const Entry& entry, PdfObject* object, int depth);
  bool CollectPages(const PdfValue& node, int depth, std::set<int>* visited);

  std::string_view data_;
  std::map<int, Entry> entries_;
  PdfValue trailer_;
  std::vector<uint64_t> sections_seen_;
  // Decoded object streams by number: the data and the offset of each object in it.
  struct ObjectStream {
    std::string data;
    std::vector<std::pair<long long, size_t>> objects;  // number, offset in data
  };
  std::map<int, std::shared_ptr<ObjectStream>> object_streams_;
  struct PageRef {
    int object = 0;
    PdfValue resources, media_box, crop_box, rotate;
  };
  std::vector<PageRef> pages_;
  std::vector<const PdfValue*> inherit_;  // the tree nodes above the one being read
  bool pages_read_ = false;
  std::string error_;
};

// A PDF text string as UTF-8: UTF-16BE after its byte order mark FE FF, otherwise
// single bytes read as Latin-1.
std::string TextStringToUtf8(std::string_view bytes);

// The filters a copied stream may keep undecoded.
bool IsImageFilter(std::string_view name);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_READER_H_
