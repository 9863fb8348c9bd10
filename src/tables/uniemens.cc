#include "tables/uniemens.h"

#include <iterator>

#include "base/text.h"

namespace kaveltar {
namespace {

constexpr std::string_view kUniemensEvents[] = {
    "1A CGO Tipo Evento A",  "2A CGS Tipo Evento A",  "3A CGD Tipo Evento A",
    "4A SOL Tipo Evento A",  "5T COR Tipo Evento T",  "6T CSR Tipo Evento T",
    "7T CDR Tipo Evento T",  "8T SLR Tipo Evento T",  "9T ASO Tipo Evento T",
    "AT AOR Tipo Evento T",  "IO AIO Tipo Evento T",  "BT ASR Tipo Evento T",
    "AO AOA Ass.ord.FSBA",   "IS AIS Ass.ord.FSBA",   "AS ASA Ass.sol.FSBA",
    "M0 MA0 Cong parent.",   "M1 MB0 Cong parent.",   "M2 MV2 Cong parent.",
    "M3 MV3 Cong parent.",   "M4 MV4 est.perm. GG",   "M5 MV5 est.perm. HH",
    "M9 MV9 Quarantena  ",   "PA PAP Cong mat.pr.",   "Z0 MZ0 DL137/20 DAD",
    "Z1 MZ1 DL137/20 DAD",   "Z2 MZ2 DL.30/2021",     "Z5 MZ5 DL.146/2021 GG",
    "Z6 MZ6 DL.146/2021 HH", "#1 COR Uniemens CIG",   "#2 CDR Uniemens CIG",
    "#3 AOR Uniemens CIG",   "PD CONG.PAR.ORE (PD0)", "P1 CONG.PAR.GG (PD1)",
    "PE CONG.PAR.ORE (PE0)", "E1 CONG.PAR.GG (PE1)",  "PB CONG.PAR.ORE (PB0)",
    "B1 CONG.PAR.GG (PB1)",  "TB CONG.PAR.ORE (TB0)", "T1 CONG.PAR.GG (TB1)",
    "PF CONG.PAD.OBB.(PF1)", "MA CONG.PAR.GG.(MA2)",  "RA PERM.L.104/92(RA1)",
    "QB PERM.LAV.DIS.(QB5)", "TA PERM.LAV.DIS.(TA1)", "MD CONG.STR.GG (MD1)",
    "Y1 PROL.CONG.GG(YA1)",  "Y2 PROL.CONG.GG(YA2)",  "XB PERMESSI HH.(XB3)",
    "MT MAT.FACOLT. (MA2)",  "PG CONG.80% HH (PG0)",  "G1 CONG.80% GG (PG1)",
    "A1 MAT. OBBLIG.(MA1)",  "A3 CONG.MAL.B<3(MA3)",  "B4 CONG.MAL.B>3(MB4)",
    "MB ALLATTAMENTO(MB1)",  "G2 CONG.80% HH (PG2)",  "G3 CONG.80% GG (PG3)",
};
static_assert(std::size(kUniemensEvents) == 57);

constexpr Sr18Item kSr18[] = {
    {"ML", "ML = Malattia"},   {"I", "I  = Infortunio"},       {"F", "F  = Ferie"},
    {"MT", "MT = Maternita'"}, {"S", "S  = Sciopero"},         {"P", "P  = Permesso personale"},
    {"C", "C  = CIG o CIGS"},  {"D", "D  = Donazione sangue"}, {"CM", "CM = Congedo matrimoniale"},
    {"V", "V  = Altro"},
};

constexpr std::string_view kUniemensHelp[] = {
    "Codifica Da 1T a 8T",
    "Significato 1.mo carattere:",
    "1=CGO Cassa Integr.Guadagni ordinaria",
    "2=CGS Cassa Integr.Guadagni straordinaria",
    "3=CGD Cassa Integr.Guadagni in deroga",
    "4=SOL Contr.di solid.(art. 1 Legge 29 dicembre 1984, n.863).",
    "5=COR Cassa Integr.Guadagni Ord.Richiesta",
    "6=CSR Cassa Integr.Guadagni Straord.Richiesta",
    "7=CDR Cassa Integr.Guadagni in deroga messa a conguaglio Richiesta",
    "8=SLR Contr.di solid. Richiesta (art. 1 Legge 29 dicembre 1984, n.863).",
    "Significato 2.do carattere:",
    "A=TIPO EVENTO N.di Autorizzazione identificativo CIG AUTORIZZATA",
    "T=TIPO EVENTO N.di Ticket identificativo CIG RICHIESTA",
    "Altre codifiche",
    "M0 - MA0 periodi di congedo parentale disciplinati dall’art.32",
    "          del D.Lgs.N.151/2001, usufruiti su base oraria",
    "M1 - MB0 periodi di congedo parentale disciplinati dall’art.35",
    "          c.2 del D.Lgs.N.151/2001, usufruiti su base oraria",
};

constexpr std::string_view kTicketHelp[] = {
    "N.AUT.TICKET Uniemens Elemento <Giorno> (CIG) PER GIUSTIFICATIVI ",
    "VALIDO PER GIUSTIFICATIVI CHE HANNO EVENTO 'T' nel 2.do crt",
    "In presenza di eventi GIORNO in cui bisogna utilizzare piu' di un 'n.aut.ticket' CIG,",
    "codificare questo campo con valore da 1 a 10 per indicare quale 'n.aut.ticket' CIG ",
    "delle 10 'n.autorizzazioni' ticket presenti in archivio EMENS del dipendente pag.6/11 da "
    "utilizzare.",
    "Pertanto in presenza di piu' n.ticket da utilizzare inserire piu' giustificativi ",
    "CIG con indicazione del numero 'n.aut.ticket' da utilizzare ",
    "N.B. SE LASCIATO A ZERO QUESTO CAMPO L'EVENTUALE AUTORIZZAZIONE TICKET, SARA' SEMPRE LA "
    "PRIMA",
};

constexpr std::string_view kTypeGuide[] = {
    "PRESENZA: genera ore di presenza anche oltre l'orario di lavoro ed è compatibile con gli "
    "straordinari",
    "ASSENZA: genera ore di assenza fino alla copertura dell'orario di lavoro",
    "NEUTRO: genera ore solo espositive e non è compatibile con gli straordinari",
    "MALATTIA/INFORT./MATERNITA': genera le relative ore fino alla copertura dell'orario di "
    "lavoro",
};

constexpr std::string_view kManualEditingHelp[] = {
    "I giustificativi di assenza compensano ore di lavoro in meno ma non possono generare ore "
    "lavorative in più",
    "I giustificativi di presenza possono  generare ore lavorative in più.",
    "I giustificativi neutri sono solo espositivi.",
    "Nella gestione manuale i giustificativi immessi sono una voce complementare alle ore "
    "lavorate.",
    "In base al giustificativo imputato, in una giornata tipo di 8 ore teoriche e 8 ore "
    "lavorate, potranno verificarsi le seguenti situazioni :",
    "GIUSTIFICATIVO DI ASSENZA DI 4 ORE: ",
    "Scalare le ore lavorate da 8 a 4 ed aggiungere le 4 ore del giustificativo di assenza.",
    "GIUSTIFICATIVO DI PRESENZA DI 4 ORE: ",
    "Aggiungere le 4 ore del giustificativo di presenza, in modo da totalizzare 12 ore "
    "lavorative totali.",
};

constexpr std::string_view kJustificationHelp[] = {
    "Per aggiungere un Giustificativo selezionare 'NUOVO GIUSTIFICATIVO'",
    "Per modificare un Giustificativo fare doppio click sul Giustificativo da gestire",
    "Per eliminare un Giustificativo selezionarlo e premere 'ELIMINA RECORD'",
};

std::string JoinLines(std::span<const std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

}  // namespace

std::span<const std::string_view> UniemensEventTable() { return kUniemensEvents; }

std::vector<std::string_view> UniemensListItems() {
  std::vector<std::string_view> items;
  items.reserve(std::size(kUniemensEvents) + 1);
  items.push_back(kUniemensClearItem);
  for (std::string_view item : kUniemensEvents) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

int UniemensListPosition(std::string_view code) {
  code = Trim(code);
  if (code.empty()) return -1;
  const std::vector<std::string_view> items = UniemensListItems();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].substr(0, 2) == code) return static_cast<int>(i);
  }
  return -1;
}

std::span<const Sr18Item> Sr18Items() { return kSr18; }

int Sr18ListPosition(std::string_view code) {
  const std::string_view t = Trim(code);
  if (t.empty()) return -1;
  for (size_t i = 0; i < std::size(kSr18); ++i) {
    if (kSr18[i].code == t) return static_cast<int>(i);
  }
  return -1;
}

std::string Sr18CodeOfText(std::string_view text) { return std::string(Trim(text.substr(0, 2))); }

int JustificationTypeIndex(std::string_view letter) {
  const std::string t = ToUpperAscii(Trim(letter));
  if (t.size() != 1) return -1;
  const size_t i = kJustificationTypeLetters.find(t[0]);
  return i == std::string_view::npos ? -1 : static_cast<int>(i);
}

std::string UniemensHelpText() { return JoinLines(kUniemensHelp); }
std::string TicketHelpText() { return JoinLines(kTicketHelp); }

void ShowJustificationHelp(int index, Dialogs& dialogs) {
  if (index == 0) dialogs.Show(UniemensHelpText(), kJustificationsTitle, MessageIcon::kNone);
  if (index == 1) dialogs.Show(TicketHelpText(), kJustificationsTitle, MessageIcon::kNone);
}

std::span<const std::string_view> TypeGuideLines() { return kTypeGuide; }
std::span<const std::string_view> ManualEditingHelpLines() { return kManualEditingHelp; }
std::span<const std::string_view> JustificationHelpLines() { return kJustificationHelp; }

}  // namespace kaveltar
