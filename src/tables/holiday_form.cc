#include "tables/holiday_form.h"

#include <algorithm>

#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

constexpr std::string_view kCodeLengthMessage =
    "Attenzione il Codice deve essere di 4 caratteri (MMAA)";
constexpr std::string_view kCodeInUseMessage =
    "ATTENZIONE!!\n\nCodice Festività già utilizzato\n\nUtilizzare un codice differente";
constexpr std::string_view kSelectMessage = "Selezionare la Festività da eliminare";
constexpr std::string_view kDeleteTitle = "Elimina Festività";
constexpr std::string_view kNotFoundMessage = "Festività non trovata in Archivio";

}  // namespace

bool IsFixedHoliday(std::string_view code) {
  return std::find(kFixedHolidays.begin(), kFixedHolidays.end(), code) != kFixedHolidays.end();
}

HolidayForm::HolidayForm(AttendanceDb& db, Dialogs& dialogs)
    : TableForm(TableKind::kHolidays, db, dialogs) {}

KeyOutcome HolidayForm::TextFestivita_KeyPress(int index, int key) {
  modified_ = true;
  if (index != kCodeBox) return UpperCaseBoxKey(key);
  const KeyOutcome out = CodeBoxKey(boxes_.text[kCodeBox], key);
  if (out.clear_box) boxes_.text[kCodeBox].clear();
  return out;
}

void HolidayForm::TextFestivita_Change(int index, std::string_view text) {
  if (index == kCodeBox || index == kDescriptionBox) boxes_.text[static_cast<size_t>(index)] = text;
}

void HolidayForm::TextFestivita_LostFocus(int index) {
  if (index == kCodeBox) boxes_.text[kCodeBox] = PadCode(boxes_.text[kCodeBox], kCodeLength);
}

Status HolidayForm::EnterText(int index, std::string_view text) {
  if (state_ == PanelState::kClosed) return Status::Invalid("Il pannello delle festività è chiuso");
  if (index == kCodeBox) {
    if (!boxes_.code_enabled) {
      return Status::Invalid("Il codice di una festività memorizzata non si può modificare");
    }
    Result<std::string> code = EnterCodeText(text, kCodeLength, kCodeLength, "Codice");
    if (!code.ok()) return code.status();
    boxes_.text[kCodeBox] = *code;
  } else if (index == kDescriptionBox) {
    boxes_.text[kDescriptionBox] = tables_internal::UpperText(text);
  } else {
    return Status::Invalid("Casella inesistente: " + std::to_string(index));
  }
  modified_ = true;
  return Status::Ok();
}

Result<SaveOutcome> HolidayForm::Save() {
  const std::string code(Trim(boxes_.text[kCodeBox]));
  if (tables_internal::Utf8Length(code) != kCodeLength) {
    dialogs_.Show(kCodeLengthMessage, kTablesTitle, MessageIcon::kExclamation);
    return SaveOutcome::kRefused;
  }
  Result<std::optional<HolidayRow>> found = db_.FindHoliday(code);
  if (!found.ok()) return found.status();
  if (found->has_value() && state_ == PanelState::kNew) {
    dialogs_.Show(kCodeInUseMessage, kTablesTitle, MessageIcon::kCritical);
    boxes_.text[kCodeBox].clear();
    RequestFocus("TextFestivita", kCodeBox);
    return SaveOutcome::kRefused;
  }
  if (Status s = db_.SaveHoliday({code, std::string(Trim(boxes_.text[kDescriptionBox]))});
      !s.ok()) {
    return s;
  }
  if (Status s = Refresh(); !s.ok()) return s;
  boxes_ = Boxes{};
  state_ = PanelState::kClosed;
  modified_ = false;
  return SaveOutcome::kSaved;
}

void HolidayForm::ShowEntry(std::string_view entry) {
  if (entry.empty() || IsNewRowEntry(entry)) {
    boxes_.text = {};
    return;
  }
  boxes_.text[kCodeBox] = EntryCode(entry);
  boxes_.text[kDescriptionBox] = EntryDescription(entry);
}

Status HolidayForm::ListRecord_Click(int index) {
  if (state_ != PanelState::kClosed) return Status::Ok();
  Select(index);
  record_caption_ = kSelectedRecordCaption;
  ShowEntry(SelectedEntry());
  return Status::Ok();
}

Status HolidayForm::ListRecord_DblClick(int index) {
  if (state_ != PanelState::kClosed) return Status::Ok();
  Select(index);
  const std::string_view entry = SelectedEntry();
  if (entry.empty()) return Status::Ok();
  modified_ = false;
  if (IsNewRowEntry(entry)) {
    boxes_ = Boxes{};
    state_ = PanelState::kNew;
    RequestFocus("TextFestivita", kCodeBox);
  } else {
    ShowEntry(entry);
    boxes_.code_enabled = false;
    state_ = PanelState::kStored;
    RequestFocus("TextFestivita", kDescriptionBox);
  }
  return Status::Ok();
}

Result<DeleteOutcome> HolidayForm::CmdElimina_Click() {
  const std::string entry(SelectedEntry());
  if (entry.empty()) {
    dialogs_.Show(kSelectMessage, kDeleteTitle, MessageIcon::kInformation);
    return DeleteOutcome::kNoSelection;
  }
  if (tables_internal::Utf8Left(entry, 4) == "----") return DeleteOutcome::kNoSelection;

  const std::string code = tables_internal::UpperText(EntryCode(entry));
  const std::string description = EntryDescription(entry);
  DeleteOutcome outcome = DeleteOutcome::kNotFound;
  if (IsFixedHoliday(code)) {
    dialogs_.Show("La festività '" + code + " " + description + "' non si puo cancellare",
                  kTablesTitle, MessageIcon::kNone);
    return DeleteOutcome::kRefused;
  }
  Result<std::optional<HolidayRow>> found = db_.FindHoliday(code);
  if (!found.ok()) return found.status();
  if (found->has_value()) {
    if (dialogs_.Ask("Eliminare la festività : " + code + " " + description, kTablesTitle,
                     MessageIcon::kQuestion)) {
      if (Status s = db_.DeleteHoliday(code); !s.ok()) return s;
      outcome = DeleteOutcome::kDeleted;
    } else {
      outcome = DeleteOutcome::kDeclined;
    }
  }
  if (Status s = Refresh(); !s.ok()) return s;
  return outcome;
}

void HolidayForm::Clear() {
  boxes_ = Boxes{};
  state_ = PanelState::kClosed;
  modified_ = false;
  record_caption_.clear();
}

Status HolidayForm::Reload() {
  ShowEntry(SelectedEntry());
  boxes_.code_enabled = true;
  record_caption_ = kSelectedRecordCaption;
  return Status::Ok();
}

void HolidayForm::ShowNotFound() {
  dialogs_.Show(kNotFoundMessage, kTablesTitle, MessageIcon::kInformation);
}

std::vector<std::string_view> HolidayForm::HelpTexts() const {
  if (state_ == PanelState::kClosed) {
    return {
        "Per aggiungere una festività selezionare dalla lista di sinistra la voce "
        "'NUOVA FESTIVITA'",
        "Per modificare una festività fare doppio click sulla festività che si vuole "
        "modificare nella lista di sinistra",
        "Per eliminare una festività selezionarla con un click del mouse dalla lista e "
        "premere il tasto 'ELIMINA RECORD'"};
  }
  return {
      "Inserire la nuova festività con codice formato dal mese e dal giorno in cui cade "
      "(MMAA) e una descrizione libera per identificarla.",
      "Nella modifica di una festività è possibile modificare solo la descrizione. Per "
      "modificare il codice eliminare la festività e ricrearla."};
}

}  // namespace kaveltar
