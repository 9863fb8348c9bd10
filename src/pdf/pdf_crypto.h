// The PDF Standard Security Handler, revisions 2 (40-bit RC4 keys) and 3 (128-bit keys),
// with MD5 and RC4 from nettle.
//
// Passwords are padded or cut to 32 bytes with the fixed padding string of the handler.
// Owner entry O: MD5 of the padded owner password (the user password when the owner
// password is empty), hashed 50 more times in revision 3; its first n bytes (5 or 16) are
// the RC4 key that encrypts the padded user password, in revision 3 followed by 19 more
// passes with the key XORed with the pass number.
// Document key: MD5 of the padded user password, O, the permission value as four bytes
// (low byte first) and the first file identifier; in revision 3 the first n bytes are
// hashed 50 more times; the key is the first n bytes.
// User entry U: revision 2 encrypts the padding string with the key; revision 3 encrypts
// MD5(padding string + file identifier) with the key and 19 more XORed keys, then pads to
// 32 bytes.
// Object key: MD5 of the document key, the object number (three bytes, low first) and the
// generation (two bytes); its first n + 5 bytes (at most 16) are the RC4 key of that
// object's strings and streams.
#ifndef KAVELTAR_PDF_PDF_CRYPTO_H_
#define KAVELTAR_PDF_PDF_CRYPTO_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

// 16-byte MD5 digest of `data`.
std::string Md5(std::string_view data);

// Encrypts or decrypts `size` bytes in place with RC4 under `key` (1-256 bytes).
void Rc4(std::string_view key, char* data, size_t size);

struct SecurityKeys {
  int revision = 0;         // 2 or 3
  int key_bytes = 0;        // 5 or 16
  int32_t permissions = 0;  // the /P value
  std::string owner_entry;  // O, 32 bytes
  std::string user_entry;   // U, 32 bytes
  std::string key;          // the document key
};

// The /P value for the caller's permission bits: only the permission bits of the revision
// are taken (print 4, modify 8, copy 16, annotate 32, and for 128-bit keys fill forms 256,
// extract 512, assemble 1024, print high quality 2048); reserved bits are set as required.
int32_t PermissionValue(int permissions, int key_bits);

// Computes the entries and key of the handler. `key_bits` is 40 or 128.
SecurityKeys ComputeSecurityKeys(std::string_view user_password, std::string_view owner_password,
                                 int permissions, int key_bits, std::string_view file_id);

// The RC4 key of object `number` (generation 0).
std::string ObjectKey(const SecurityKeys& keys, int number);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_CRYPTO_H_
