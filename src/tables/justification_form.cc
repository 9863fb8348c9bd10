#include "tables/justification_form.h"

#include "base/hours.h"
#include "base/text.h"
#include "tables/uniemens.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

constexpr std::string_view kCodeLengthMessage = "Attenzione il Codice deve essere di 3 caratteri";
constexpr std::string_view kTypeMessage = "Attenzione selezionare la tipologia del giustificativo";
constexpr std::string_view kCodeInUseMessage =
    "ATTENZIONE!!\n\nCodice Giustificativo già utilizzato\n\nUtilizzare un codice differente";
constexpr std::string_view kSelectMessage = "Selezionare il Giustificativo da eliminare";
constexpr std::string_view kDeleteTitle = "Elimina Giustificativo";
constexpr std::string_view kUsedMessage =
    "Impossibile eliminare il codice giustificativo selezionato in quanto utilizzato nelle "
    "presenze del mese o dei mesi precedenti";
constexpr std::string_view kNotFoundMessage = "Giustificativo non trovato in Archivio";
constexpr std::string_view kSequenceMessage =
    "E' necessario rispettare la sequenza. Compilare prima la Formula ";
constexpr size_t kTicketLength = 2;

// A threshold box that holds nothing but zeros (or nothing at all).
bool ThresholdIsZero(std::string_view text) {
  return text.find_first_not_of(" 0:") == std::string_view::npos;
}

// The ticket number as the box shows it: the decimal text of its numeric value.
std::string TicketText(std::string_view stored) { return std::to_string(ValInt(stored)); }

}  // namespace

JustificationForm::JustificationForm(AttendanceDb& db, Dialogs& dialogs, FormulaArchive& formulas)
    : TableForm(TableKind::kJustifications, db, dialogs), formulas_(formulas) {}

std::string* JustificationForm::TextBox(int index) {
  switch (index) {
    case kCodeBox:
      return &boxes_.code;
    case kDescriptionBox:
      return &boxes_.description;
    case kImportCodeBox:
      return &boxes_.import_code;
    case kTicketBox:
      return &boxes_.ticket;
    default:
      return nullptr;
  }
}

JustificationForm::FormulaRowBoxes* JustificationForm::Row(int row) {
  if (row < 0 || row >= kFormulaRows) return nullptr;
  return &boxes_.formulas[static_cast<size_t>(row)];
}

// --- Text boxes ---

KeyOutcome JustificationForm::TextGiustificativo_KeyPress(int index, int key) {
  modified_ = true;
  if (index == kCodeBox || index == kTicketBox) {
    std::string* box = TextBox(index);
    const KeyOutcome out = CodeBoxKey(*box, key);
    if (out.clear_box) box->clear();
    return out;
  }
  return UpperCaseBoxKey(key);
}

void JustificationForm::TextGiustificativo_Change(int index, std::string_view text) {
  if (std::string* box = TextBox(index)) *box = text;
}

void JustificationForm::TextGiustificativo_LostFocus(int index) {
  if (index == kCodeBox) boxes_.code = PadCode(boxes_.code, kCodeLength);
  if (index == kTicketBox && !Trim(boxes_.ticket).empty()) {
    boxes_.ticket = PadLeft(Trim(boxes_.ticket), kTicketLength);
  }
}

KeyOutcome JustificationForm::TextGiusCodVoce_KeyPress(int row, int key) {
  modified_ = true;
  KeyOutcome out;
  if (Row(row) != nullptr && ((key >= '0' && key <= '9') || key == kKeyBackspace)) out.key = key;
  return out;
}

void JustificationForm::TextGiusCodVoce_Change(int row, std::string_view text) {
  if (FormulaRowBoxes* r = Row(row)) r->code = text;
}

void JustificationForm::TextGiusCodVoce_LostFocus(int row) {
  if (FormulaRowBoxes* r = Row(row)) r->code = PadCode(r->code, 3);
}

HoursMaskOutcome JustificationForm::TextGiusSogliaVoce_KeyPress(int row, int caret, int key) {
  FormulaRowBoxes* r = Row(row);
  if (r == nullptr) return {};
  modified_ = true;
  HoursMaskOutcome out = HoursMaskKey(r->threshold, caret, key, HoursBlank::kTable);
  r->threshold = out.text;
  if (out.action == HoursMaskOutcome::Action::kInvalid) {
    dialogs_.Show(kHoursMaskError, kHoursErrorTitle, MessageIcon::kNone);
    RequestFocus("TextGiusSogliaVoce", row);
  }
  return out;
}

void JustificationForm::TextGiusSogliaVoce_Change(int row, std::string_view text) {
  if (FormulaRowBoxes* r = Row(row)) r->threshold = text;
}

void JustificationForm::TextGiusSogliaVoce_LostFocus(int row) {
  FormulaRowBoxes* r = Row(row);
  if (r != nullptr && !Trim(r->threshold).empty()) r->threshold = CompleteHoursText(r->threshold);
}

// --- Formula pick list ---

bool JustificationForm::RowAboveInUse(int row) {
  const FormulaRowBoxes& above = boxes_.formulas[static_cast<size_t>(row - 1)];
  return !Trim(above.code).empty() || !ThresholdIsZero(above.threshold);
}

void JustificationForm::CmdGiusCodVoce_Click(int row) {
  if (formula_list_visible_) {
    formula_list_visible_ = false;
    return;
  }
  if (Row(row) == nullptr) return;
  if (row > 0 && !RowAboveInUse(row)) {
    dialogs_.Show(std::string(kSequenceMessage) + std::to_string(row), kTablesTitle,
                  MessageIcon::kInformation);
    return;
  }
  formula_row_ = row;
  formula_lines_ = formulas_.CARICA_FORMULE(formula_order_by_code_);
  formula_list_visible_ = true;
}

void JustificationForm::ListFormule_DblClick(int index) {
  if (!formula_list_visible_ || index < 0 || static_cast<size_t>(index) >= formula_lines_.size()) {
    return;
  }
  const std::optional<FormulaArchive::Choice> choice =
      FormulaArchive::ParseLine(formula_lines_[static_cast<size_t>(index)], formula_order_by_code_);
  if (!choice) {
    EmptyRow(formula_row_);
    ORDINA_VOCI();
  } else {
    FormulaRowBoxes& r = boxes_.formulas[static_cast<size_t>(formula_row_)];
    r.code = choice->code;
    r.description = choice->description;
    r.threshold.clear();
    RequestFocus("TextGiusSogliaVoce", formula_row_);
  }
  formula_list_visible_ = false;
  modified_ = true;
}

void JustificationForm::CxkOrdFormule_Click(bool by_code) {
  formula_order_by_code_ = by_code;
  if (formula_list_visible_) formula_lines_ = formulas_.CARICA_FORMULE(by_code);
}

void JustificationForm::EmptyRow(int row) {
  if (FormulaRowBoxes* r = Row(row)) *r = FormulaRowBoxes{};
}

void JustificationForm::ORDINA_VOCI() {
  if (formula_row_ == kFormulaRows - 1) return;
  // One pass from the top: an empty row takes the row below it, which is emptied.
  for (size_t i = 0; i + 1 < boxes_.formulas.size(); ++i) {
    if (Trim(boxes_.formulas[i].code).empty()) {
      boxes_.formulas[i] = boxes_.formulas[i + 1];
      boxes_.formulas[i + 1] = FormulaRowBoxes{};
    }
  }
}

// --- Type, overtime, SR18, UNIEMENS ---

void JustificationForm::OptGiuPreAss_Click(int index) {
  if (index < 0 || index > 3) return;
  boxes_.type = index;
  boxes_.overtime = false;
  boxes_.overtime_enabled = index == 0;
  modified_ = true;
}

bool JustificationForm::ChkGiucompStr_Click(bool ticked) {
  if (!boxes_.overtime_enabled) return false;
  boxes_.overtime = ticked;
  modified_ = true;
  return true;
}

void JustificationForm::ComboGiustificativo_Click(int index) {
  boxes_.sr18_index = index >= 0 && static_cast<size_t>(index) < Sr18Items().size() ? index : -1;
  modified_ = true;
}

void JustificationForm::ComboUNIEMENS_Click(int index) {
  const std::vector<std::string_view> items = UniemensListItems();
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return;
  const std::string_view code = items[static_cast<size_t>(index)].substr(0, 2);
  boxes_.uniemens_index = index;
  boxes_.uniemens_label = code == "00" ? "" : std::string(code);
  modified_ = true;
}

// --- Load and empty ---

void JustificationForm::CARICA_GIUSTIFICATIVO(const JustificationRow& row) {
  boxes_.code = row.code;
  boxes_.code_enabled = false;
  boxes_.description = row.gius[1];
  boxes_.import_code = row.gius[5];
  boxes_.uniemens_label = row.gius[7];
  boxes_.uniemens_index = UniemensListPosition(row.gius[7]);
  boxes_.ticket = TicketText(row.gius[8]);
  boxes_.sr18_index = Sr18ListPosition(row.gius[6]);
  boxes_.type = JustificationTypeIndex(row.gius[2]);
  boxes_.overtime_enabled = boxes_.type <= 0;
  // Only a presence can be compatible with overtime; any other type is shown unticked, as
  // it will be stored.
  boxes_.overtime = row.gius[3] == "1" && boxes_.type == 0;
  for (size_t k = 0; k < boxes_.formulas.size(); ++k) {
    FormulaRowBoxes& r = boxes_.formulas[k];
    r.code = row.gius[9 + k];
    r.description = Trim(r.code).empty() ? "" : formulas_.Description(r.code);
    r.threshold = MinutesToHours(static_cast<long>(ValInt(row.gius[14 + k])));
  }
}

void JustificationForm::PULISCI_GIUSTIFICATIVO() { boxes_ = Boxes{}; }

Result<bool> JustificationForm::LoadSelected() {
  Result<std::optional<JustificationRow>> found = db_.FindJustification(EntryCode(SelectedEntry()));
  if (!found.ok()) return found.status();
  if (!found->has_value()) return false;
  PULISCI_GIUSTIFICATIVO();
  CARICA_GIUSTIFICATIVO(**found);
  return true;
}

// --- Navigation ---

Status JustificationForm::NavigateTo(int index) {
  Select(index);
  Result<bool> loaded = LoadSelected();
  if (!loaded.ok()) return loaded.status();
  if (*loaded) {
    state_ = PanelState::kStored;
    // What was typed for the previous code is gone with it.
    modified_ = false;
  }
  return Status::Ok();
}

Status JustificationForm::CmdInizioGiust_Click() {
  if (entries().size() < 2) return Status::Ok();
  return NavigateTo(1);
}

Status JustificationForm::CmdFineGiust_Click() {
  if (entries().size() < 2) return Status::Ok();
  return NavigateTo(static_cast<int>(entries().size()) - 1);
}

Status JustificationForm::CmdAvantiGiust_Click() {
  const int last = static_cast<int>(entries().size()) - 1;
  if (last < 1) return Status::Ok();
  if (selected() >= last) {
    dialogs_.Show("Ultimo Giustificativo in Archivio", kJustificationsTitle,
                  MessageIcon::kInformation);
    return Status::Ok();
  }
  return NavigateTo(selected() < 1 ? 1 : selected() + 1);
}

Status JustificationForm::CmdIndietroGiust_Click() {
  if (entries().size() < 2) return Status::Ok();
  if (selected() <= 1) {
    dialogs_.Show("Primo Giustificativo in Archivio", kJustificationsTitle,
                  MessageIcon::kInformation);
    return Status::Ok();
  }
  return NavigateTo(selected() - 1);
}

// --- Scripted entry ---

Status JustificationForm::EnterText(int index, std::string_view text) {
  if (state_ == PanelState::kClosed) {
    return Status::Invalid("Il pannello dei giustificativi è chiuso");
  }
  switch (index) {
    case kCodeBox: {
      if (!boxes_.code_enabled) {
        return Status::Invalid("Il codice di un giustificativo memorizzato non si può modificare");
      }
      Result<std::string> code = EnterCodeText(text, kCodeLength, kCodeLength, "Codice");
      if (!code.ok()) return code.status();
      boxes_.code = *code;
      break;
    }
    case kDescriptionBox:
      boxes_.description = tables_internal::UpperText(text);
      break;
    case kImportCodeBox:
      boxes_.import_code = tables_internal::UpperText(text);
      break;
    case kTicketBox: {
      Result<std::string> ticket =
          EnterCodeText(text, kTicketLength, 0, "Numero Autorizzazione Ticket CIG");
      if (!ticket.ok()) return ticket.status();
      boxes_.ticket = ticket->empty() ? "" : PadLeft(*ticket, kTicketLength);
      break;
    }
    default:
      return Status::Invalid("Casella inesistente: " + std::to_string(index));
  }
  modified_ = true;
  return Status::Ok();
}

Status JustificationForm::SetType(std::string_view letter) {
  const int index = JustificationTypeIndex(letter);
  if (index < 0) {
    return Status::Invalid("Tipologia del giustificativo non valida: \"" + std::string(letter) +
                           "\" (P presenza, A assenza, N neutro, M malattia/infortunio/maternità)");
  }
  OptGiuPreAss_Click(index);
  return Status::Ok();
}

Status JustificationForm::SetOvertime(bool ticked) {
  if (!ChkGiucompStr_Click(ticked)) {
    return Status::Invalid(
        "Compatibile con Straordinari: ammesso solo per i giustificativi di presenza");
  }
  return Status::Ok();
}

Status JustificationForm::SetSr18(std::string_view code) {
  const std::string upper = ToUpperAscii(Trim(code));
  if (upper.empty()) {
    ComboGiustificativo_Click(-1);
    return Status::Ok();
  }
  const int index = Sr18ListPosition(upper);
  if (index < 0) {
    return Status::Invalid("Cod.Giustificativo per Mod.SR18 non valido: \"" + std::string(code) +
                           "\"");
  }
  ComboGiustificativo_Click(index);
  return Status::Ok();
}

Status JustificationForm::SetUniemens(std::string_view code) {
  const std::string upper = ToUpperAscii(Trim(code));
  if (upper.empty()) {
    boxes_.uniemens_index = -1;
    boxes_.uniemens_label.clear();
    modified_ = true;
    return Status::Ok();
  }
  const int index = UniemensListPosition(upper);
  if (index < 0) {
    return Status::Invalid("Tipo Evento UNIEMENS non valido: \"" + std::string(code) + "\"");
  }
  ComboUNIEMENS_Click(index);
  return Status::Ok();
}

Status JustificationForm::SetFormulaRow(int row, std::string_view code,
                                        std::string_view threshold) {
  if (state_ == PanelState::kClosed) {
    return Status::Invalid("Il pannello dei giustificativi è chiuso");
  }
  if (Row(row) == nullptr) {
    return Status::Invalid("Riga formula inesistente: " + std::to_string(row + 1));
  }
  if (Trim(code).empty() && Trim(threshold).empty()) {
    EmptyRow(row);
    formula_row_ = row;
    ORDINA_VOCI();
    modified_ = true;
    return Status::Ok();
  }
  if (row > 0 && !RowAboveInUse(row)) {
    return Status::Invalid(std::string(kSequenceMessage) + std::to_string(row));
  }
  const std::string caption = "Formula " + std::to_string(row + 1);
  Result<std::string> padded = EnterCodeText(Trim(code), 3, 3, caption);
  if (!padded.ok()) return padded.status();
  Result<std::string> hours = EnterHoursText(threshold, "Soglia ore " + caption, "");
  if (!hours.ok()) return hours.status();
  FormulaRowBoxes& r = boxes_.formulas[static_cast<size_t>(row)];
  r.code = *padded;
  r.description = padded->empty() ? "" : formulas_.Description(*padded);
  r.threshold = *hours;
  modified_ = true;
  return Status::Ok();
}

// --- Save, list events, deletion ---

Result<SaveOutcome> JustificationForm::Save() {
  const std::string code(Trim(boxes_.code));
  if (tables_internal::Utf8Length(code) != kCodeLength) {
    dialogs_.Show(kCodeLengthMessage, kTablesTitle, MessageIcon::kExclamation);
    return SaveOutcome::kRefused;
  }
  if (boxes_.type < 0 || boxes_.type > 3) {
    dialogs_.Show(kTypeMessage, kTablesTitle, MessageIcon::kExclamation);
    return SaveOutcome::kRefused;
  }
  Result<std::optional<JustificationRow>> found = db_.FindJustification(code);
  if (!found.ok()) return found.status();
  if (found->has_value() && state_ == PanelState::kNew) {
    dialogs_.Show(kCodeInUseMessage, kTablesTitle, MessageIcon::kCritical);
    boxes_.code.clear();
    RequestFocus("TextGiustificativo", kCodeBox);
    return SaveOutcome::kRefused;
  }

  // Editing keeps the columns this panel does not hold (GIUS_4).
  JustificationRow row = found->has_value() ? **found : JustificationRow{};
  row.code = code;
  row.gius[1] = Trim(boxes_.description);
  row.gius[5] = Trim(boxes_.import_code);
  row.gius[6] = boxes_.sr18_index >= 0
                    ? Sr18CodeOfText(Sr18Items()[static_cast<size_t>(boxes_.sr18_index)].text)
                    : "";
  row.gius[7] = boxes_.uniemens_label;
  row.gius[8] = std::string(Right("  " + std::to_string(ValInt(Trim(boxes_.ticket))), 2));
  row.gius[2] = std::string(1, kJustificationTypeLetters[static_cast<size_t>(boxes_.type)]);
  row.gius[3] = boxes_.type == 0 && boxes_.overtime ? "1" : "0";
  for (size_t k = 0; k < boxes_.formulas.size(); ++k) {
    const FormulaRowBoxes& r = boxes_.formulas[k];
    row.gius[9 + k] = Trim(r.code);
    // A threshold that is not "HH:MM" is reported by the conversion and stored as 0.
    row.gius[14 + k] = std::to_string(HoursToMinutes(Trim(r.threshold), dialogs_));
  }
  if (Status s = db_.SaveJustification(row); !s.ok()) return s;

  if (Status s = Refresh(); !s.ok()) return s;
  PULISCI_GIUSTIFICATIVO();
  state_ = PanelState::kClosed;
  navigation_enabled_ = false;
  formula_list_visible_ = false;
  modified_ = false;
  return SaveOutcome::kSaved;
}

Status JustificationForm::ListRecord_Click(int index) {
  if (state_ != PanelState::kClosed) return Status::Ok();
  Select(index);
  const std::string_view entry = SelectedEntry();
  if (entry.empty()) return Status::Ok();
  record_caption_ = kSelectedRecordCaption;
  if (IsNewRowEntry(entry)) {
    PULISCI_GIUSTIFICATIVO();
    return Status::Ok();
  }
  Result<bool> loaded = LoadSelected();
  if (!loaded.ok()) return loaded.status();
  if (!*loaded) ShowNotFound();
  return Status::Ok();
}

Status JustificationForm::ListRecord_DblClick(int index) {
  if (state_ != PanelState::kClosed) return Status::Ok();
  Select(index);
  const std::string_view entry = SelectedEntry();
  if (entry.empty()) return Status::Ok();
  formula_list_visible_ = false;
  if (IsNewRowEntry(entry)) {
    PULISCI_GIUSTIFICATIVO();
    navigation_enabled_ = false;
    state_ = PanelState::kNew;
    modified_ = false;
    RequestFocus("TextGiustificativo", kCodeBox);
    return Status::Ok();
  }
  Result<bool> loaded = LoadSelected();
  if (!loaded.ok()) return loaded.status();
  if (!*loaded) {
    ShowNotFound();
    return Status::Ok();
  }
  navigation_enabled_ = true;
  state_ = PanelState::kStored;
  modified_ = false;
  RequestFocus("TextGiustificativo", kDescriptionBox);
  return Status::Ok();
}

Result<DeleteOutcome> JustificationForm::CmdElimina_Click() {
  const std::string entry(SelectedEntry());
  if (entry.empty()) {
    dialogs_.Show(kSelectMessage, kDeleteTitle, MessageIcon::kInformation);
    return DeleteOutcome::kNoSelection;
  }
  if (tables_internal::Utf8Left(entry, 3) == "---") return DeleteOutcome::kNoSelection;

  const std::string code = EntryCode(entry);
  Result<std::optional<JustificationRow>> found = db_.FindJustification(code);
  if (!found.ok()) return found.status();
  if (!found->has_value()) {
    if (Status s = Refresh(); !s.ok()) return s;
    return DeleteOutcome::kNotFound;
  }
  return ConfirmAndDelete(
      "Eliminare il giustificativo : " + code + " " + (*found)->gius[1], kUsedMessage,
      [&] { return db_.JustificationInUse(code); }, [&] { return db_.DeleteJustification(code); });
}

void JustificationForm::Clear() {
  PULISCI_GIUSTIFICATIVO();
  state_ = PanelState::kClosed;
  navigation_enabled_ = false;
  formula_list_visible_ = false;
  modified_ = false;
  record_caption_.clear();
}

Status JustificationForm::Reload() {
  const std::string_view entry = SelectedEntry();
  if (IsNewRowEntry(entry)) {
    PULISCI_GIUSTIFICATIVO();
  } else if (!entry.empty()) {
    Result<bool> loaded = LoadSelected();
    if (!loaded.ok()) return loaded.status();
  }
  formula_list_visible_ = false;
  navigation_enabled_ = false;
  return Status::Ok();
}

void JustificationForm::ShowNotFound() {
  dialogs_.Show(kNotFoundMessage, kTablesTitle, MessageIcon::kInformation);
}

}  // namespace kaveltar
