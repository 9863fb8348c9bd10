#include "migrate/mdb_reader.h"

#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <system_error>

namespace kaveltar {
namespace {

constexpr int kDeletedFlag = 0x8000;
constexpr int kMovedFlag = 0x4000;
constexpr int kOffsetMask = 0x1fff;
constexpr int kMaxMoveHops = 8;

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One slot of a data page's row table.
struct Slot {
  int raw = 0;    // the stored offset with its flags
  int start = 0;  // first byte of the row on the page
  int size = 0;   // bytes up to the previous row
};

}  // namespace

struct MdbDatabase::Impl {
  std::string file;  // for messages
  MdbHandle* mdb = nullptr;
  uint32_t pages = 0;

  ~Impl() {
    if (mdb != nullptr) mdb_close(mdb);
  }

  Status Damaged(const std::string& what) const {
    return Status::Corrupt("Il file " + file + " è danneggiato (" + what + ")");
  }

  MdbCatalogEntry* Find(std::string_view name) const {
    if (mdb->catalog == nullptr) return nullptr;
    const std::string wanted(name);
    for (guint i = 0; i < mdb->catalog->len; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (entry->object_type == MDB_TABLE &&
          g_ascii_strcasecmp(entry->object_name, wanted.c_str()) == 0) {
        return entry;
      }
    }
    return nullptr;
  }

  // Reads the table definition and its columns. The caller frees it with mdb_free_tabledef.
  Result<MdbTableDef*> Load(std::string_view name) {
    MdbCatalogEntry* entry = Find(name);
    if (entry == nullptr) {
      return Status::NotFound("Il file " + file + " non contiene la tabella " + std::string(name));
    }
    if (entry->table_pg == 0 || entry->table_pg >= pages) {
      return Damaged("definizione della tabella " + std::string(name) + " fuori dal file");
    }
    MdbTableDef* table = mdb_read_table(entry);
    if (table == nullptr) return Damaged("definizione della tabella " + std::string(name));
    if (table->num_cols == 0 || table->num_cols > MDB_MAX_COLS ||
        mdb_read_columns(table) == nullptr || table->columns->len != table->num_cols ||
        table->usage_map == nullptr || table->map_sz < 1) {
      mdb_free_tabledef(table);
      return Damaged("colonne della tabella " + std::string(name));
    }
    return table;
  }

  bool ReadPage(uint32_t page) {
    return page < pages && mdb_read_pg(mdb, page) == mdb->fmt->pg_size;
  }

  // The row table of the page in the handle's buffer. False when the page is not a data
  // page of `table`. A row table that does not fit the page is an error.
  Result<bool> Slots(const MdbTableDef* table, std::vector<Slot>* slots) {
    const unsigned char* pg = mdb->pg_buf;
    slots->clear();
    if (pg[0] != 0x01 || Get32(pg + 4) != table->entry->table_pg) return false;
    const int page_size = static_cast<int>(mdb->fmt->pg_size);
    const int rco = mdb->fmt->row_count_offset;
    const int rows = Get16(pg + rco);
    const int table_end = rco + 2 + 2 * rows;
    if (table_end > page_size) return Damaged("tabella delle righe di una pagina");
    int end = page_size;
    for (int i = 0; i < rows; ++i) {
      Slot s;
      s.raw = Get16(pg + rco + 2 + 2 * i);
      s.start = s.raw & kOffsetMask;
      if (s.start < table_end || s.start > end) {
        // A deleted slot may hold anything; it is never read.
        if ((s.raw & kDeletedFlag) == 0) return Damaged("posizione di una riga");
        s.size = 0;
      } else {
        s.size = end - s.start;
        end = s.start;
      }
      slots->push_back(s);
    }
    return true;
  }

  // Checks the row's own layout (column count, null mask, table of variable columns) before
  // libmdb decodes it, so that a damaged row can never make it read outside the row.
  bool RowLayoutFits(const MdbTableDef* table, int start, int size) const {
    const unsigned char* row = mdb->pg_buf + start;
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const int count_size = jet3 ? 1 : 2;
    if (size < count_size) return false;
    const int columns = jet3 ? row[0] : Get16(row);
    const int mask = (columns + 7) / 8;
    if (count_size + mask > size) return false;
    if (table->num_var_cols == 0 || jet3) return true;  // Jet 3 rows: libmdb checks them
    if (count_size + mask + 2 > size) return false;
    const int var_count = Get16(row + size - mask - 2);
    const int table_size = 2 + 2 * (var_count + 1);
    if (count_size + mask + table_size > size) return false;
    int previous = 0;
    for (int i = 0; i <= var_count; ++i) {
      const int offset = Get16(row + size - mask - 4 - 2 * i);
      if (offset < previous || offset > size - mask - table_size) return false;
      previous = offset;
    }
    return true;
  }

  // Decodes the row at [start, start + size) of the page in the buffer.
  Status Decode(MdbTableDef* table, int start, int size, std::vector<MdbValue>* out) {
    if (!RowLayoutFits(table, start, size)) return Damaged("struttura di una riga");
    std::array<MdbField, MDB_MAX_COLS> fields{};
    const int count = mdb_crack_row(table, start, static_cast<size_t>(size), fields.data());
    if (count < static_cast<int>(table->num_cols)) return Damaged("struttura di una riga");
    out->resize(table->num_cols);
    for (unsigned i = 0; i < table->num_cols; ++i) {
      const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
      const MdbField& f = fields[i];
      MdbValue& v = (*out)[i];
      v.text.clear();
      if (col->col_type == MDB_BOOL) {  // the value is the null-mask bit
        v.is_null = false;
        v.text = f.is_null ? "0" : "1";
        continue;
      }
      v.is_null = f.is_null != 0;
      if (v.is_null) continue;
      if (f.start < start || f.siz < 0 || f.start + f.siz > start + size) {
        return Damaged("valore di una colonna fuori dalla riga");
      }
      const unsigned char* p = mdb->pg_buf + f.start;
      switch (col->col_type) {
        case MDB_BYTE:
          if (f.siz < 1) return Damaged("valore numerico");
          v.text = std::to_string(p[0]);
          break;
        case MDB_INT:
          if (f.siz < 2) return Damaged("valore numerico");
          v.text = std::to_string(static_cast<int16_t>(Get16(p)));
          break;
        case MDB_LONGINT:
          if (f.siz < 4) return Damaged("valore numerico");
          v.text = std::to_string(static_cast<int32_t>(Get32(p)));
          break;
        default: {
          if (f.siz == 0) break;
          char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, col->col_type, f.siz);
          if (text != nullptr) {
            v.text = text;
            g_free(text);
          }
          break;
        }
      }
    }
    return Status::Ok();
  }

  // Decodes the row a moved slot points at (following further moves), then puts the page
  // `back` into the buffer again.
  Status DecodeMoved(MdbTableDef* table, uint32_t page, int row, uint32_t back,
                     std::vector<MdbValue>* out) {
    std::vector<Slot> slots;
    for (int hop = 0; hop < kMaxMoveHops; ++hop) {
      if (!ReadPage(page)) return Damaged("riga spostata fuori dal file");
      Result<bool> mine = Slots(table, &slots);
      if (!mine.ok()) return mine.status();
      if (!*mine || row >= static_cast<int>(slots.size())) {
        return Damaged("riga spostata in una pagina che non è della tabella");
      }
      const Slot& s = slots[row];
      if (s.raw & kMovedFlag) {
        if (s.size < 4) return Damaged("riferimento di una riga spostata");
        const unsigned char* p = mdb->pg_buf + s.start;
        row = p[0];
        page = p[1] | (p[2] << 8) | (p[3] << 16);
        continue;
      }
      if (s.size == 0) return Damaged("riga spostata vuota");
      Status st = Decode(table, s.start, s.size, out);
      if (!ReadPage(back)) return Damaged("pagina illeggibile");
      return st;
    }
    return Damaged("catena di righe spostate");
  }

  Status ReadRows(std::string_view name, const RowHandler& on_row) {
    Result<MdbTableDef*> loaded = Load(name);
    if (!loaded.ok()) return loaded.status();
    MdbTableDef* table = *loaded;
    Status st = Walk(table, on_row);
    mdb_free_tabledef(table);
    return st;
  }

  // The pages the table's usage map marks, in increasing order.
  Result<std::vector<uint32_t>> Pages(MdbTableDef* table) {
    std::vector<uint32_t> list;
    guint32 page = 0;
    while (list.size() < pages) {
      const gint32 next =
          mdb_map_find_next(mdb, table->usage_map, static_cast<unsigned>(table->map_sz), page);
      if (next <= 0) break;
      if (static_cast<uint32_t>(next) <= page) return Damaged("mappa delle pagine");
      if (static_cast<uint32_t>(next) >= pages) return Damaged("pagina oltre la fine del file");
      page = static_cast<guint32>(next);
      list.push_back(page);
    }
    return list;
  }

  Status Walk(MdbTableDef* table, const RowHandler& on_row) {
    Result<std::vector<uint32_t>> pages_of_table = Pages(table);
    if (!pages_of_table.ok()) return pages_of_table.status();
    std::vector<Slot> slots;

    // First pass: where moved rows now live. Those places are read through the pointer
    // only, at the place of the row that moved.
    std::set<uint64_t> moved_to;
    for (uint32_t page : *pages_of_table) {
      if (!ReadPage(page)) return Damaged("pagina illeggibile");
      Result<bool> mine = Slots(table, &slots);
      if (!mine.ok()) return mine.status();
      for (const Slot& s : slots) {
        if ((s.raw & (kDeletedFlag | kMovedFlag)) != kMovedFlag) continue;
        if (s.size < 4) return Damaged("riferimento di una riga spostata");
        const unsigned char* p = mdb->pg_buf + s.start;
        const uint64_t target =
            (static_cast<uint64_t>(p[1] | (p[2] << 8) | (p[3] << 16)) << 8) | p[0];
        moved_to.insert(target);
      }
    }

    std::vector<MdbValue> values;
    for (uint32_t page : *pages_of_table) {
      if (!ReadPage(page)) return Damaged("pagina illeggibile");
      Result<bool> mine = Slots(table, &slots);
      if (!mine.ok()) return mine.status();
      for (size_t i = 0; i < slots.size(); ++i) {
        const Slot s = slots[i];
        if (s.raw & kDeletedFlag) continue;
        if (moved_to.count((static_cast<uint64_t>(page) << 8) | i)) continue;
        if (s.raw & kMovedFlag) {
          const unsigned char* p = mdb->pg_buf + s.start;
          const uint32_t target = p[1] | (p[2] << 8) | (p[3] << 16);
          if (Status st = DecodeMoved(table, target, p[0], page, &values); !st.ok()) return st;
        } else {
          if (s.size == 0) return Damaged("riga vuota");
          if (Status st = Decode(table, s.start, s.size, &values); !st.ok()) return st;
        }
        if (Status st = on_row(values); !st.ok()) return st;
      }
    }
    return Status::Ok();
  }
};

MdbDatabase::MdbDatabase(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MdbDatabase::~MdbDatabase() = default;

Result<std::unique_ptr<MdbDatabase>> MdbDatabase::Open(const std::filesystem::path& file) {
  auto impl = std::make_unique<Impl>();
  impl->file = file.string();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    return Status::NotFound("File non trovato: " + impl->file);
  }
  const uintmax_t size = std::filesystem::file_size(file, ec);
  std::ifstream in(file, std::ios::binary);
  std::array<unsigned char, 0x18> head{};
  if (ec || !in.read(reinterpret_cast<char*>(head.data()), head.size())) {
    return Status::Invalid("Il file " + impl->file + " non è un database Access");
  }
  const std::string_view magic(reinterpret_cast<const char*>(head.data()) + 4, 15);
  if (head[0] != 0 || (magic != "Standard Jet DB" && magic != "Standard ACE DB")) {
    return Status::Invalid("Il file " + impl->file + " non è un database Access");
  }
  const uintmax_t page_size = head[0x14] == MDB_VER_JET3 ? 2048 : 4096;
  if (size % page_size != 0 || size < 3 * page_size) {
    return Status::Corrupt("Il file " + impl->file + " è incompleto (troncato)");
  }
  impl->pages = static_cast<uint32_t>(std::min<uintmax_t>(size / page_size, 0xffffff));
  impl->mdb = mdb_open(impl->file.c_str(), MDB_NOFLAGS);
  if (impl->mdb == nullptr) {
    return Status::Invalid("Il file " + impl->file + " non è un database Access leggibile");
  }
  if (static_cast<uintmax_t>(impl->mdb->fmt->pg_size) != page_size) {
    return Status::Invalid("Il file " + impl->file + " non è un database Access leggibile");
  }
  if (impl->mdb->f->db_key != 0) {
    return Status::Invalid("Il file " + impl->file +
                           " è cifrato: decifrarlo con Access prima di importarlo");
  }
  if (mdb_read_catalog(impl->mdb, MDB_TABLE) == nullptr) {
    return impl->Damaged("catalogo degli oggetti");
  }
  return std::unique_ptr<MdbDatabase>(new MdbDatabase(std::move(impl)));
}

bool MdbDatabase::HasTable(std::string_view name) const { return impl_->Find(name) != nullptr; }

Result<std::vector<std::string>> MdbDatabase::Columns(std::string_view name) {
  Result<MdbTableDef*> loaded = impl_->Load(name);
  if (!loaded.ok()) return loaded.status();
  std::vector<std::string> names;
  for (unsigned i = 0; i < (*loaded)->num_cols; ++i) {
    names.emplace_back(static_cast<MdbColumn*>(g_ptr_array_index((*loaded)->columns, i))->name);
  }
  mdb_free_tabledef(*loaded);
  return names;
}

Status MdbDatabase::ReadRows(std::string_view table, const RowHandler& on_row) {
  return impl_->ReadRows(table, on_row);
}

}  // namespace kaveltar
