#include "migrate/jet4_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kaveltar::testing {
namespace {

constexpr size_t kPage = 4096;
constexpr size_t kDataHeader = 14;  // type, 1, free space, table page, 4 unknown, row count
constexpr size_t kRowCountAt = 12;
constexpr size_t kColumnEntry = 25;

void Put16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xff);
  b[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xffff);
  Put16(b, at + 2, v >> 16);
}
void Append16(std::string& b, uint32_t v) {
  b.append(2, '\0');
  Put16(b, b.size() - 2, v);
}

// UTF-8 to UTF-16, for the characters of the Basic Multilingual Plane the fixtures use.
std::u16string Utf16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const int more = c < 0x80 ? 0 : c < 0xe0 ? 1 : 2;
    uint32_t cp = more == 0 ? c : c & (0x3f >> more);
    for (int k = 0; k < more; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[++i]) & 0x3f);
    out.push_back(static_cast<char16_t>(cp));
  }
  return out;
}

std::string Ucs2(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) Append16(out, c);
  return out;
}

bool IsFixed(JetType t) { return t == kJetInt || t == kJetLong; }
uint16_t FixedSize(JetType t) { return t == kJetInt ? 2 : 4; }
uint16_t ColumnLength(JetType t) { return IsFixed(t) ? FixedSize(t) : t == kJetText ? 510 : 0; }

// One row in Jet 4 layout: column count, fixed columns, variable columns, then backwards from
// the end the null mask, the count of variable columns, their offsets (first nearest the
// end) and the end-of-data offset.
std::string EncodeRow(const JetTable& t, const JetRow& row) {
  const size_t n = t.columns.size();
  std::string b;
  Append16(b, static_cast<uint32_t>(n));
  std::vector<uint8_t> mask((n + 7) / 8, 0);
  for (size_t i = 0; i < n; ++i) {
    const JetType type = t.columns[i].type;
    if (!IsFixed(type)) continue;
    const int64_t v = std::holds_alternative<int64_t>(row[i]) ? std::get<int64_t>(row[i]) : 0;
    if (!std::holds_alternative<std::monostate>(row[i])) mask[i / 8] |= 1 << (i % 8);
    const uint16_t size = FixedSize(type);
    for (uint16_t k = 0; k < size; ++k)
      b.push_back(static_cast<char>((static_cast<uint64_t>(v) >> (8 * k)) & 0xff));
  }
  std::vector<uint16_t> offsets;
  for (size_t i = 0; i < n; ++i) {
    if (IsFixed(t.columns[i].type)) continue;
    offsets.push_back(static_cast<uint16_t>(b.size()));
    if (const auto* text = std::get_if<std::string>(&row[i])) {
      mask[i / 8] |= 1 << (i % 8);
      b += Ucs2(Utf16(*text));
    }
  }
  if (!offsets.empty()) {
    const uint16_t eod = static_cast<uint16_t>(b.size());
    Append16(b, eod);
    for (size_t k = offsets.size(); k-- > 0;) Append16(b, offsets[k]);
    Append16(b, static_cast<uint32_t>(offsets.size()));
  }
  for (uint8_t m : mask) b.push_back(static_cast<char>(m));
  return b;
}

// A slot of a data page: bytes and the flags of its offset.
struct PageSlot {
  std::string bytes;
  uint16_t flags = 0;
};

// Packs slots into data pages of table `tdef`; returns the page images.
std::vector<std::string> PackPages(const std::vector<PageSlot>& slots, uint32_t tdef) {
  std::vector<std::vector<size_t>> pages;
  size_t used = kDataHeader;
  for (size_t i = 0; i < slots.size(); ++i) {
    const size_t need = slots[i].bytes.size() + 2;
    if (pages.empty() || used + need > kPage) {
      pages.emplace_back();
      used = kDataHeader;
    }
    pages.back().push_back(i);
    used += need;
  }
  std::vector<std::string> images;
  for (const auto& list : pages) {
    std::string p(kPage, '\0');
    p[0] = p[1] = 0x01;
    Put32(p, 4, tdef);
    Put16(p, kRowCountAt, static_cast<uint32_t>(list.size()));
    size_t end = kPage;
    for (size_t k = 0; k < list.size(); ++k) {
      const PageSlot& s = slots[list[k]];
      end -= s.bytes.size();
      std::memcpy(&p[end], s.bytes.data(), s.bytes.size());
      Put16(p, kRowCountAt + 2 + 2 * k, static_cast<uint32_t>(end) | s.flags);
    }
    Put16(p, 2, static_cast<uint32_t>(end - (kRowCountAt + 2 + 2 * list.size())));
    images.push_back(std::move(p));
  }
  return images;
}

// The table definition page (no indexes).
std::string DefinitionPage(const JetTable& t, bool system, uint32_t live_rows, uint32_t used_map,
                           uint32_t free_map) {
  std::string p(kPage, '\0');
  p[0] = 0x02;
  p[1] = 0x01;
  uint16_t var_count = 0;
  for (const JetColumn& c : t.columns) var_count += IsFixed(c.type) ? 0 : 1;
  const uint16_t n = static_cast<uint16_t>(t.columns.size());
  Put32(p, 16, live_rows);
  p[40] = system ? 0x53 : 0x4e;
  Put16(p, 41, n);
  Put16(p, 43, var_count);
  Put16(p, 45, n);
  Put32(p, 55, used_map);
  Put32(p, 59, free_map);
  size_t at = 63;
  uint16_t fixed_offset = 0;
  uint16_t var_index = 0;
  for (uint16_t i = 0; i < n; ++i) {
    const JetType type = t.columns[i].type;
    p[at] = static_cast<char>(type);
    Put16(p, at + 5, i);
    Put16(p, at + 7, IsFixed(type) ? 0 : var_index);
    Put16(p, at + 9, i);
    p[at + 15] = static_cast<char>((IsFixed(type) ? 0x01 : 0x00) | 0x02);
    Put16(p, at + 21, IsFixed(type) ? fixed_offset : 0);
    Put16(p, at + 23, ColumnLength(type));
    if (IsFixed(type)) {
      fixed_offset += FixedSize(type);
    } else {
      ++var_index;
    }
    at += kColumnEntry;
  }
  for (const JetColumn& c : t.columns) {
    const std::string name = Ucs2(Utf16(c.name));
    Put16(p, at, static_cast<uint32_t>(name.size()));
    std::memcpy(&p[at + 2], name.data(), name.size());
    at += 2 + name.size();
  }
  Put16(p, at, 0xffff);
  at += 2;
  Put32(p, 8, static_cast<uint32_t>(at - 8));
  Put16(p, 2, static_cast<uint32_t>(kPage - at - 8));
  return p;
}

// Type 0 map, start page 0: 64 bitmap bytes (pages 0..511) as Access writes, more when the
// file is larger.
std::string UsageMap(const std::vector<uint32_t>& pages, uint32_t file_pages) {
  const size_t bytes = std::max<size_t>(64, (file_pages + 7) / 8);
  std::string m(5 + bytes, '\0');
  for (uint32_t pg : pages) m[5 + pg / 8] = static_cast<char>(m[5 + pg / 8] | (1 << (pg % 8)));
  return m;
}

void Rc4(const std::string& key, unsigned char* data, size_t size) {
  std::array<unsigned char, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xff;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < size; ++n) {
    i = (i + 1) & 0xff;
    j = (j + s[i]) & 0xff;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xff];
  }
}

}  // namespace

std::string WriteJet4(const std::vector<JetTable>& user_tables) {
  // MSysObjects first: one row per user table, Id = its definition page.
  JetTable catalog{.name = "MSysObjects",
                   .columns = {{"Id", kJetLong},
                               {"Name", kJetText},
                               {"Type", kJetInt},
                               {"Flags", kJetLong},
                               {"LvProp", kJetOle}}};
  std::vector<const JetTable*> tables = {&catalog};
  for (const JetTable& t : user_tables) tables.push_back(&t);

  // Each table's slots, in row order, deleted rows flagged and left on the page.
  struct Plan {
    std::vector<PageSlot> slots;
    std::vector<std::string> pages;
    uint32_t tdef = 0, first_data = 0;
    uint32_t live = 0;
  };
  std::vector<Plan> plans(tables.size());
  // Page 2 is the catalogue's definition, page 3 its data; user tables follow.
  uint32_t next_page = 4;
  for (size_t ti = 1; ti < tables.size(); ++ti) {
    const JetTable& t = *tables[ti];
    Plan& plan = plans[ti];
    for (size_t r = 0; r < t.rows.size(); ++r) {
      const bool deleted = t.deleted.count(r) > 0;
      plan.slots.push_back({EncodeRow(t, t.rows[r]), static_cast<uint16_t>(deleted ? 0x8000 : 0)});
      if (!deleted) ++plan.live;
    }
    plan.tdef = next_page++;
    plan.pages = PackPages(plan.slots, plan.tdef);
    plan.first_data = next_page;
    next_page += static_cast<uint32_t>(plan.pages.size());
  }
  // The catalogue's rows, now that the definition pages are known.
  plans[0].tdef = 2;
  for (size_t ti = 1; ti < tables.size(); ++ti) {
    catalog.rows.push_back(
        {int64_t{plans[ti].tdef}, tables[ti]->name, int64_t{1}, int64_t{0}, std::monostate{}});
  }
  for (const JetRow& row : catalog.rows) plans[0].slots.push_back({EncodeRow(catalog, row), 0});
  plans[0].live = static_cast<uint32_t>(catalog.rows.size());
  plans[0].pages = PackPages(plans[0].slots, 2);
  plans[0].first_data = 3;

  std::vector<std::string> file(next_page, std::string(kPage, '\0'));

  // Page 1: the usage maps, one row per table (it stands for the free-space map too).
  std::vector<PageSlot> maps;
  for (size_t ti = 0; ti < tables.size(); ++ti) {
    std::vector<uint32_t> used;
    for (size_t k = 0; k < plans[ti].pages.size(); ++k)
      used.push_back(plans[ti].first_data + static_cast<uint32_t>(k));
    maps.push_back({UsageMap(used, next_page), 0});
  }
  std::vector<std::string> map_page = PackPages(maps, 0);
  file[1] = map_page[0];

  for (size_t ti = 0; ti < tables.size(); ++ti) {
    const Plan& plan = plans[ti];
    const uint32_t map = (1u << 8) | static_cast<uint32_t>(ti);
    file[plan.tdef] = DefinitionPage(*tables[ti], ti == 0, plan.live, map, map);
    for (size_t k = 0; k < plan.pages.size(); ++k) file[plan.first_data + k] = plan.pages[k];
  }

  // Page 0: the header. The region from 0x18 is RC4-encoded; decoded it holds the code page
  // and a database key of 0 (the bytes at 0x3E left zero): not encrypted.
  std::string& h = file[0];
  h[1] = 0x01;
  std::memcpy(&h[4], "Standard Jet DB", 15);
  Put32(h, 0x14, 1);  // Jet 4
  std::string region(128, '\0');
  Put16(region, 0x3c - 0x18, 1252);
  Rc4(std::string("\xc7\xda\x39\x6b", 4), reinterpret_cast<unsigned char*>(region.data()),
      region.size());
  std::memcpy(&h[0x18], region.data(), region.size());

  std::string out;
  for (const std::string& p : file) out += p;
  return out;
}

}  // namespace kaveltar::testing
