#include "pdf/pdf_crypto.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

#include <algorithm>

namespace kaveltar::pdf_internal {

namespace {

constexpr unsigned char kPadding[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string Padded(std::string_view password) {
  std::string out(password.substr(0, 32));
  out.append(reinterpret_cast<const char*>(kPadding), 32 - out.size());
  return out;
}

// RC4 of `data` under `key`, then 19 more passes under the key XORed with 1..19.
void Rc4Passes(const std::string& key, std::string* data, bool twenty_passes) {
  Rc4(key, data->data(), data->size());
  if (!twenty_passes) return;
  std::string xored = key;
  for (int pass = 1; pass <= 19; ++pass) {
    for (size_t i = 0; i < key.size(); ++i) xored[i] = static_cast<char>(key[i] ^ pass);
    Rc4(xored, data->data(), data->size());
  }
}

}  // namespace

std::string Md5(std::string_view data) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, data.size(), reinterpret_cast<const uint8_t*>(data.data()));
  std::string digest(MD5_DIGEST_SIZE, '\0');
  md5_digest(&ctx, MD5_DIGEST_SIZE, reinterpret_cast<uint8_t*>(digest.data()));
  return digest;
}

void Rc4(std::string_view key, char* data, size_t size) {
  arcfour_ctx ctx;
  arcfour_set_key(&ctx, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
  auto* bytes = reinterpret_cast<uint8_t*>(data);
  arcfour_crypt(&ctx, size, bytes, bytes);
}

int32_t PermissionValue(int permissions, int key_bits) {
  const uint32_t bits = key_bits == 40
                            ? (static_cast<uint32_t>(permissions) & 0x3Cu) | 0xFFFFFFC0u
                            : (static_cast<uint32_t>(permissions) & 0xF3Cu) | 0xFFFFF0C0u;
  return static_cast<int32_t>(bits);
}

SecurityKeys ComputeSecurityKeys(std::string_view user_password, std::string_view owner_password,
                                 int permissions, int key_bits, std::string_view file_id) {
  SecurityKeys keys;
  const bool r3 = key_bits != 40;
  keys.revision = r3 ? 3 : 2;
  keys.key_bytes = r3 ? 16 : 5;
  keys.permissions = PermissionValue(permissions, key_bits);
  const std::string user = Padded(user_password);

  // Owner entry.
  std::string digest = Md5(Padded(owner_password.empty() ? user_password : owner_password));
  if (r3) {
    for (int i = 0; i < 50; ++i) digest = Md5(digest);
  }
  keys.owner_entry = user;
  Rc4Passes(digest.substr(0, keys.key_bytes), &keys.owner_entry, r3);

  // Document key.
  const auto p = static_cast<uint32_t>(keys.permissions);
  std::string input = user + keys.owner_entry;
  for (int shift = 0; shift < 32; shift += 8)
    input.push_back(static_cast<char>((p >> shift) & 0xFF));
  input.append(file_id);
  digest = Md5(input);
  if (r3) {
    for (int i = 0; i < 50; ++i) digest = Md5(std::string_view(digest).substr(0, keys.key_bytes));
  }
  keys.key = digest.substr(0, keys.key_bytes);

  // User entry.
  if (r3) {
    std::string hashed =
        Md5(std::string(reinterpret_cast<const char*>(kPadding), 32) + std::string(file_id));
    Rc4Passes(keys.key, &hashed, true);
    keys.user_entry = hashed + std::string(reinterpret_cast<const char*>(kPadding), 16);
  } else {
    keys.user_entry.assign(reinterpret_cast<const char*>(kPadding), 32);
    Rc4(keys.key, keys.user_entry.data(), keys.user_entry.size());
  }
  return keys;
}

std::string ObjectKey(const SecurityKeys& keys, int number) {
  std::string input = keys.key;
  input.push_back(static_cast<char>(number & 0xFF));
  input.push_back(static_cast<char>((number >> 8) & 0xFF));
  input.push_back(static_cast<char>((number >> 16) & 0xFF));
  input.append(2, '\0');
  const size_t length = std::min<size_t>(keys.key.size() + 5, 16);
  return Md5(input).substr(0, length);
}

}  // namespace kaveltar::pdf_internal
