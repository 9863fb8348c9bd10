#include "tables/group_form.h"

#include "base/hours.h"
#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

constexpr std::string_view kCodeLengthMessage = "Attenzione il Codice deve essere di 3 caratteri";
constexpr std::string_view kCodeInUseMessage =
    "ATTENZIONE!!\n\nCodice Gruppo già utilizzato\n\nUtilizzare un codice differente";
constexpr std::string_view kSelectMessage = "Selezionare il Gruppo Orario da eliminare";
constexpr std::string_view kDeleteTitle = "Elimina Gruppo Orario";
constexpr std::string_view kUsedMessage =
    "Impossibile eliminare il Gruppo selezionato in quanto utilizzato nelle presenze del mese o "
    "dei mesi precedenti";
constexpr std::string_view kNotFoundMessage = "Gruppo Orario non trovato in Archivio";

bool IsHoursBox(int index) {
  return index >= GroupForm::kFirstHoursBox && index <= GroupForm::kLastHoursBox;
}

}  // namespace

GroupForm::GroupForm(AttendanceDb& db, Dialogs& dialogs)
    : TableForm(TableKind::kGroups, db, dialogs) {
  EmptyForNew();
}

void GroupForm::EmptyForNew() {
  boxes_ = Boxes{};
  for (int i = kFirstHoursBox; i <= kLastHoursBox; ++i)
    boxes_.text[static_cast<size_t>(i)] = kNoHours;
}

KeyOutcome GroupForm::TextDescGruppo_KeyPress(int index, int key) {
  modified_ = true;
  if (index != kCodeBox) return UpperCaseBoxKey(key);
  const KeyOutcome out = CodeBoxKey(boxes_.text[kCodeBox], key);
  if (out.clear_box) boxes_.text[kCodeBox].clear();
  return out;
}

void GroupForm::TextDescGruppo_Change(int index, std::string_view text) {
  if (index == kCodeBox || index == kDescriptionBox) boxes_.text[static_cast<size_t>(index)] = text;
}

void GroupForm::TextDescGruppo_LostFocus(int index) {
  if (index == kCodeBox) boxes_.text[kCodeBox] = PadCode(boxes_.text[kCodeBox], kCodeLength);
}

HoursMaskOutcome GroupForm::TextGruppo_KeyPress(int index, int caret, int key) {
  if (!IsHoursBox(index)) return {};
  modified_ = true;
  std::string& box = boxes_.text[static_cast<size_t>(index)];
  HoursMaskOutcome out = HoursMaskKey(box, caret, key, HoursBlank::kTable);
  box = out.text;
  if (out.action == HoursMaskOutcome::Action::kInvalid) {
    dialogs_.Show(kHoursMaskError, kHoursErrorTitle, MessageIcon::kNone);
    RequestFocus("TextGruppo", index);
  }
  return out;
}

void GroupForm::TextGruppo_Change(int index, std::string_view text) {
  if (IsHoursBox(index)) boxes_.text[static_cast<size_t>(index)] = text;
}

void GroupForm::TextGruppo_LostFocus(int index) {
  if (!IsHoursBox(index)) return;
  std::string& box = boxes_.text[static_cast<size_t>(index)];
  box = CompleteHoursText(box);
}

Status GroupForm::EnterText(int index, std::string_view text) {
  if (state_ == PanelState::kClosed) return Status::Invalid("Il pannello dei gruppi è chiuso");
  if (index == kCodeBox) {
    if (!boxes_.code_enabled) {
      return Status::Invalid("Il codice di un gruppo memorizzato non si può modificare");
    }
    Result<std::string> code = EnterCodeText(text, kCodeLength, kCodeLength, "Codice");
    if (!code.ok()) return code.status();
    boxes_.text[kCodeBox] = *code;
  } else if (index == kDescriptionBox) {
    boxes_.text[kDescriptionBox] = tables_internal::UpperText(text);
  } else if (IsHoursBox(index)) {
    Result<std::string> hours = EnterHoursText(
        text, kGroupDayCaptions[static_cast<size_t>(index - kFirstHoursBox)], kNoHours);
    if (!hours.ok()) return hours.status();
    boxes_.text[static_cast<size_t>(index)] = *hours;
  } else {
    return Status::Invalid("Casella inesistente: " + std::to_string(index));
  }
  modified_ = true;
  return Status::Ok();
}

Result<SaveOutcome> GroupForm::Save() {
  const std::string code(Trim(boxes_.text[kCodeBox]));
  if (tables_internal::Utf8Length(code) != kCodeLength) {
    dialogs_.Show(kCodeLengthMessage, kTablesTitle, MessageIcon::kExclamation);
    return SaveOutcome::kRefused;
  }
  Result<std::optional<GroupRow>> found = db_.FindGroup(code);
  if (!found.ok()) return found.status();
  if (found->has_value() && state_ == PanelState::kNew) {
    dialogs_.Show(kCodeInUseMessage, kTablesTitle, MessageIcon::kCritical);
    boxes_.text[kCodeBox].clear();
    RequestFocus("TextDescGruppo", kCodeBox);
    return SaveOutcome::kRefused;
  }
  GroupRow row;
  row.code = code;
  for (size_t i = 1; i < boxes_.text.size(); ++i) row.grup[i] = Trim(boxes_.text[i]);
  if (Status s = db_.SaveGroup(row); !s.ok()) return s;

  if (Status s = Refresh(); !s.ok()) return s;
  EmptyForNew();
  state_ = PanelState::kClosed;
  modified_ = false;
  return SaveOutcome::kSaved;
}

Result<bool> GroupForm::LoadSelected() {
  Result<std::optional<GroupRow>> found = db_.FindGroup(EntryCode(SelectedEntry()));
  if (!found.ok()) return found.status();
  if (!found->has_value()) return false;
  const GroupRow& row = **found;
  boxes_.text[kCodeBox] = row.code;
  for (size_t i = 1; i < boxes_.text.size(); ++i) boxes_.text[i] = row.grup[i];
  return true;
}

Status GroupForm::ListRecord_Click(int index) {
  if (state_ != PanelState::kClosed) return Status::Ok();
  Select(index);
  const std::string_view entry = SelectedEntry();
  if (entry.empty()) return Status::Ok();
  record_caption_ = kSelectedRecordCaption;
  if (IsNewRowEntry(entry)) {
    boxes_ = Boxes{};
    return Status::Ok();
  }
  Result<bool> loaded = LoadSelected();
  if (!loaded.ok()) return loaded.status();
  if (!*loaded) ShowNotFound();
  return Status::Ok();
}

Status GroupForm::ListRecord_DblClick(int index) {
  if (state_ != PanelState::kClosed) return Status::Ok();
  Select(index);
  const std::string_view entry = SelectedEntry();
  if (entry.empty()) return Status::Ok();
  if (IsNewRowEntry(entry)) {
    EmptyForNew();
    state_ = PanelState::kNew;
    modified_ = false;
    RequestFocus("TextDescGruppo", kCodeBox);
    return Status::Ok();
  }
  Result<bool> loaded = LoadSelected();
  if (!loaded.ok()) return loaded.status();
  if (!*loaded) {
    ShowNotFound();
    return Status::Ok();
  }
  boxes_.code_enabled = false;
  state_ = PanelState::kStored;
  modified_ = false;
  RequestFocus("TextDescGruppo", kDescriptionBox);
  return Status::Ok();
}

Result<DeleteOutcome> GroupForm::CmdElimina_Click() {
  const std::string entry(SelectedEntry());
  if (entry.empty()) {
    dialogs_.Show(kSelectMessage, kDeleteTitle, MessageIcon::kInformation);
    return DeleteOutcome::kNoSelection;
  }
  if (tables_internal::Utf8Left(entry, 4) == "----") return DeleteOutcome::kNoSelection;

  const std::string code = EntryCode(entry);
  Result<std::optional<GroupRow>> found = db_.FindGroup(code);
  if (!found.ok()) return found.status();
  if (!found->has_value()) {
    if (Status s = Refresh(); !s.ok()) return s;
    return DeleteOutcome::kNotFound;
  }
  return ConfirmAndDelete(
      "Eliminare il Gruppo : " + code + " " + (*found)->grup[1], kUsedMessage,
      [&] { return db_.GroupInUse(code); }, [&] { return db_.DeleteGroup(code); });
}

void GroupForm::Clear() {
  EmptyForNew();
  state_ = PanelState::kClosed;
  modified_ = false;
  record_caption_.clear();
}

Status GroupForm::Reload() {
  const std::string_view entry = SelectedEntry();
  if (IsNewRowEntry(entry)) {
    boxes_ = Boxes{};
  } else if (!entry.empty()) {
    Result<bool> loaded = LoadSelected();
    if (!loaded.ok()) return loaded.status();
  }
  boxes_.code_enabled = true;
  return Status::Ok();
}

void GroupForm::ShowNotFound() {
  dialogs_.Show(kNotFoundMessage, kTablesTitle, MessageIcon::kInformation);
}

std::vector<std::string_view> GroupForm::HelpTexts() {
  return {"Per aggiungere un Gruppo selezionare dalla lista di sinistra la voce 'NUOVO GRUPPO'",
          "Per modificare un Gruppo fare doppio click sul Gruppo che si vuole modificare nella "
          "lista di sinistra",
          "Per eliminare un Gruppo selezionarlo con un click del mouse dalla lista e premere il "
          "tasto 'ELIMINA RECORD'"};
}

}  // namespace kaveltar
