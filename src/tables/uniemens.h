// The fixed lists of the justification panel: the UNIEMENS event codes of ComboUNIEMENS
// (GIUS_7), the SR18 sickness-certificate codes of ComboGiustificativo (GIUS_6), the four
// justification types of OptGiuPreAss (GIUS_2), and the panel's help texts.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs.h"

namespace kaveltar {

// --- UNIEMENS events ---

// The item that clears the code; it heads the list (position 0).
inline constexpr std::string_view kUniemensClearItem = "00 Azzera Valore";
// The 57 event items in list order; the first two characters of an item are the code stored
// in GIUS_7. Item n (1-based) is at list position n, after kUniemensClearItem.
std::span<const std::string_view> UniemensEventTable();
// The items of ComboUNIEMENS as built at start-up: kUniemensClearItem, then the 57 events.
std::vector<std::string_view> UniemensListItems();
// The list position of a stored code (the item whose first two characters are `code`);
// -1 for an empty or unknown code (the list then shows no text).
int UniemensListPosition(std::string_view code);

// --- SR18 certificate codes ---

struct Sr18Item {
  std::string_view code;  // stored in GIUS_6
  std::string_view text;  // the list item
};
std::span<const Sr18Item> Sr18Items();
// The list position of a stored code, -1 for an empty or unknown one.
int Sr18ListPosition(std::string_view code);
// The code a list text stands for: its first two characters, trimmed ("I  = Infortunio"
// gives "I"); empty for an empty text.
std::string Sr18CodeOfText(std::string_view text);

// --- Justification types (GIUS_2, OptGiuPreAss 0..3) ---

// "P" presence, "A" absence, "N" neutral, "M" sickness / maternity / injury.
inline constexpr std::string_view kJustificationTypeLetters = "PANM";
inline constexpr std::array<std::string_view, 4> kJustificationTypeCaptions = {
    "Presenza", "Assenza", "Neutro", "Malattia/Infort./Maternità"};
// The option index of a type letter (compared trimmed, in upper case); -1 for any other.
int JustificationTypeIndex(std::string_view letter);

// --- SR18 and UNIEMENS captions and help ---

inline constexpr std::string_view kJustificationsTitle = "Tabella Giustificativi";
// The UNIEMENS coding help (help index 0) and the ticket-number help (help index 1), one
// line per line.
std::string UniemensHelpText();
std::string TicketHelpText();
// Shows help `index` (0 UNIEMENS coding, 1 ticket number) with title "Tabella Giustificativi".
void ShowJustificationHelp(int index, Dialogs& dialogs);

// The fixed type guide of the panel: its heading and one line per type, in option order.
inline constexpr std::string_view kTypeGuideHeading = "GUIDA SULLA TIPOLOGIA DEL GIUSTIFICATIVO";
std::span<const std::string_view> TypeGuideLines();

// The month grid's "how manual editing treats the types" help (cmdInformazioni_Click).
inline constexpr std::string_view kManualEditingHelpHeading =
    "FUNZIONAMENTO AGGIORNAMENTO MANUALE PRESENZE";
std::span<const std::string_view> ManualEditingHelpLines();

// The operating help shown while the justification panel is closed.
inline constexpr std::string_view kJustificationHelpHeading =
    "INFO OPERATIVE GESTIONE GIUSTIFICATIVI";
std::span<const std::string_view> JustificationHelpLines();

}  // namespace kaveltar
