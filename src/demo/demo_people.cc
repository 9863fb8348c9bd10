#include "demo/demo_people.h"

#include <algorithm>
#include <numeric>
#include <span>
#include <string_view>

#include "base/dates.h"
#include "base/encoding.h"
#include "base/text.h"
#include "demo/demo_random.h"
#include "demo/demo_tables.h"

namespace kaveltar::demo {
namespace {

using Names = std::span<const std::string_view>;

constexpr std::string_view kMaleNames[] = {
    "Marco",     "Giuseppe", "Luca",    "Andrea",   "Francesco", "Alessandro", "Matteo",
    "Lorenzo",   "Davide",   "Simone",  "Federico", "Stefano",   "Paolo",      "Giovanni",
    "Antonio",   "Roberto",  "Massimo", "Fabio",    "Riccardo",  "Nicola",     "Niccolò",
    "Nicolò",    "Mattia",   "Tommaso", "Gabriele", "Emanuele",  "Daniele",    "Michele",
    "Salvatore", "Vincenzo", "Pietro",  "Carlo",    "Enrico",    "Filippo",    "Giorgio",
    "Alberto",   "Claudio",  "Mario",   "Sergio",   "Gianluca",  "Pierpaolo",  "Gian Marco",
    "Raffaele",  "Domenico", "Angelo",  "Bruno",    "Cristian",  "Diego",      "Elia",
    "Samuele",   "Noè",      "Ettore",  "Giacomo",  "Leonardo",  "Valerio",    "Ivan"};
constexpr std::string_view kFemaleNames[] = {
    "Giulia",       "Francesca",  "Chiara",   "Sara",     "Martina",   "Valentina", "Alessia",
    "Elisa",        "Federica",   "Silvia",   "Laura",    "Anna",      "Maria",     "Paola",
    "Roberta",      "Elena",      "Cristina", "Sofia",    "Aurora",    "Alice",     "Giorgia",
    "Beatrice",     "Camilla",    "Veronica", "Monica",   "Barbara",   "Daniela",   "Simona",
    "Michela",      "Ilaria",     "Serena",   "Marta",    "Greta",     "Noemi",     "Rosa",
    "Teresa",       "Lucia",      "Carla",    "Giovanna", "Antonella", "Desirée",   "Zoe",
    "Maria Grazia", "Anna Maria", "Lucrezia", "Ginevra",  "Nicoletta", "Emanuela"};
constexpr std::string_view kSurnames[] = {
    "Rossi",     "Russo",    "Ferrari",    "Esposito",   "Bianchi",    "Romano",     "Colombo",
    "Ricci",     "Marino",   "Greco",      "Bruno",      "Gallo",      "Conti",      "De Luca",
    "Mancini",   "Costa",    "Giordano",   "Rizzo",      "Lombardi",   "Moretti",    "Barbieri",
    "Fontana",   "Santoro",  "Mariani",    "Rinaldi",    "Caruso",     "Ferrara",    "Galli",
    "Martini",   "Leone",    "Longo",      "Gentile",    "Martinelli", "Vitale",     "Lombardo",
    "Serra",     "Coppola",  "De Santis",  "D'Angelo",   "Marchetti",  "Parisi",     "Villa",
    "Conte",     "Ferraro",  "Ferri",      "Fabbri",     "Bianco",     "Marini",     "Grasso",
    "Valentini", "Messina",  "Sala",       "De Angelis", "Gatti",      "Pellegrini", "Palumbo",
    "Sanna",     "Farina",   "Rizzi",      "Monti",      "Cattaneo",   "Morelli",    "Amato",
    "Silvestri", "Mazza",    "Testa",      "Grassi",     "Carbone",    "Giuliani",   "Benedetti",
    "Barone",    "Caputo",   "Montanari",  "Guerra",     "Palmieri",   "Bernardi",   "Fiore",
    "De Rosa",   "Ferretti", "Bellini",    "Basile",     "Riva",       "Donati",     "Piras",
    "Battaglia", "Sartori",  "Neri",       "Milani",     "Pagano",     "Sorrentino", "D'Amico",
    "Orlando",   "Negri",    "Dell'Acqua", "Lo Russo",   "Dal Santo",  "Zanella",    "Zanon",
    "Trevisan",  "Zago",     "Pavan",      "Bortolotto", "Furlan",     "Schiavon",   "Cantù",
    "Pellè",     "Zanè",     "Nicolò",     "Favaro",     "Carraro",    "Tonon",      "Dalla Costa",
    "Boscolo",   "Bellò",    "Zorzi",      "Scarpa",     "Tosato",     "Marcon",     "De Marchi"};

struct Origin {
  std::string_view municipality;  // cadastral code of the place of birth
  Names males;
  Names females;
  Names surnames;
};

constexpr std::string_view kRomanianMales[] = {"Ion", "Andrei", "Mihai", "Florin"};
constexpr std::string_view kRomanianFemales[] = {"Ioana", "Mihaela", "Elena", "Andreea"};
constexpr std::string_view kRomanianSurnames[] = {"Popescu", "Ionescu", "Popa", "Dumitru"};
constexpr std::string_view kAlbanianMales[] = {"Arben", "Elton", "Ardit", "Besnik"};
constexpr std::string_view kAlbanianFemales[] = {"Blerina", "Elira", "Anila", "Dorina"};
constexpr std::string_view kAlbanianSurnames[] = {"Hoxha", "Krasniqi", "Shehu", "Gashi"};
constexpr std::string_view kMoroccanMales[] = {"Mohamed", "Youssef", "Rachid", "Hamza"};
constexpr std::string_view kMoroccanFemales[] = {"Fatima", "Khadija", "Naima", "Salma"};
constexpr std::string_view kMoroccanSurnames[] = {"El Amrani", "Benali", "Bouzid", "El Idrissi"};
constexpr std::string_view kIndianMales[] = {"Gurpreet", "Rajesh", "Harpreet", "Sandeep"};
constexpr std::string_view kIndianFemales[] = {"Manpreet", "Priya", "Kiran", "Simran"};
constexpr std::string_view kIndianSurnames[] = {"Singh", "Kumar", "Kaur", "Sharma"};

constexpr Origin kForeignOrigins[] = {
    {"Z129", kRomanianMales, kRomanianFemales, kRomanianSurnames},
    {"Z100", kAlbanianMales, kAlbanianFemales, kAlbanianSurnames},
    {"Z330", kMoroccanMales, kMoroccanFemales, kMoroccanSurnames},
    {"Z222", kIndianMales, kIndianFemales, kIndianSurnames},
};

// Cadastral codes of Italian cities, for people born away from the company's province.
constexpr std::string_view kItalianCities[] = {"F205", "H501", "F839", "A944", "D612",
                                               "L219", "G273", "A662", "C351"};

struct Province {
  std::string_view code;          // also the INAIL office T007
  std::string_view municipality;  // cadastral code of its chief town
  std::string_view patron_day;    // T030, DDMM; empty where the office's own day applies
};

// The office is in Vicenza (its patron day, 8 September, is the installation's F161).
constexpr Province kProvinces[] = {
    {"PD", "G224", "1306"}, {"VI", "L840", ""},     {"VR", "L781", "2105"}, {"VE", "L736", "2504"},
    {"TV", "L407", "2704"}, {"RO", "H620", "2611"}, {"BL", "A757", "1111"},
};
constexpr int kProvinceWeights[] = {30, 26, 14, 10, 12, 4, 4};

struct NamedCompany {
  std::string_view name;
  std::string_view province;
};

constexpr NamedCompany kNamedCompanies[] = {
    {"Trattoria Da Nicolò S.r.l.", "PD"},         {"Caffè Centrale S.n.c.", "VI"},
    {"Officina Meccanica Zanè S.r.l.", "VI"},     {"Panificio Sant'Antonio S.a.s.", "PD"},
    {"Società Agricola Le Querce", "VR"},         {"Pasticceria Bellò & C. S.n.c.", "TV"},
    {"Hotel Città di Castelfranco S.p.A.", "TV"}, {"Farmacia Dell'Acqua Dr. Luigi", "VE"},
    {"Impresa Edile Trevisan S.r.l.", "PD"},      {"Società Cooperativa Sociale Arcobaleno", "RO"},
    {"Ferramenta Pavan Giuseppe", "VI"},          {"Studio Tecnico Associato Furlan", "BL"},
};

constexpr std::string_view kTrades[] = {
    "Panificio",  "Autofficina",    "Ferramenta", "Pasticceria", "Bar",          "Ristorante",
    "Tipografia", "Lavanderia",     "Macelleria", "Ottica",      "Falegnameria", "Termoidraulica",
    "Elettrauto", "Gelateria",      "Cantina",    "Trasporti",   "Carrozzeria",  "Agenzia Viaggi",
    "Pizzeria",   "Calzaturificio", "Maglificio", "Vetreria"};
constexpr std::string_view kPlaces[] = {"San Marco", "Al Ponte", "Del Borgo",  "La Pergola",
                                        "Belvedere", "Dolomiti", "Brenta",     "Euganea",
                                        "Berica",    "Piave",    "Città Alta", "Sant'Andrea"};
constexpr std::string_view kLegalForms[] = {"S.r.l.", "S.n.c.",   "S.a.s.",
                                            "S.p.A.", "S.r.l.s.", "& Figli S.n.c."};

// Groups of plain employees, with their weights.
constexpr int kPlainGroups[] = {
    1, 2, 3, 4, 5, 6, 7, 11, 12, kMorningShiftGroup, kAfternoonShiftGroup};
constexpr int kPlainGroupWeights[] = {40, 6, 10, 4, 7, 9, 4, 10, 3, 4, 3};

constexpr std::string_view kPasswordCharacters = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";

template <typename T, size_t N>
std::span<const T> Span(const T (&a)[N]) {
  return std::span<const T>(a, N);
}

Day RandomDayIn(DemoRandom& rng, int year, int first_month = 1, int last_month = 12) {
  Day day;
  day.y = year;
  day.m = rng.Between(first_month, last_month);
  day.d = rng.Between(1, MonthLength(day.m, year));
  return day;
}

std::string Password(DemoRandom& rng, size_t length) {
  std::string p;
  for (size_t i = 0; i < length; ++i) {
    p += kPasswordCharacters[rng.Below(static_cast<uint32_t>(kPasswordCharacters.size()))];
  }
  return p;
}

std::string CompanyName(DemoRandom& rng, size_t index) {
  if (index < std::size(kNamedCompanies)) return std::string(kNamedCompanies[index].name);
  std::string name(rng.Pick(Span(kTrades)));
  name += ' ';
  name += rng.PerMille(500) ? rng.Pick(Span(kSurnames)) : rng.Pick(Span(kPlaces));
  name += ' ';
  name += rng.Pick(Span(kLegalForms));
  return name;
}

std::vector<Company> GenerateCompanies(DemoRandom& rng, int count) {
  std::vector<Company> companies;
  // Company codes run from 001 with one code left free (a company closed long ago), as long
  // as the three digits allow it.
  const int gap = (count >= 4 && count <= 998) ? 4 : 0;
  for (int i = 0; i < count; ++i) {
    Company c;
    c.code = (gap != 0 && i + 1 >= gap) ? i + 2 : i + 1;
    c.name = CompanyName(rng, static_cast<size_t>(i));
    const Province* province = &kProvinces[rng.Weighted(Span(kProvinceWeights))];
    if (static_cast<size_t>(i) < std::size(kNamedCompanies)) {
      for (const Province& p : kProvinces) {
        if (p.code == kNamedCompanies[i].province) province = &p;
      }
    }
    c.inail_office = std::string(province->code);
    c.holiday = rng.PerMille(800) ? std::string(province->patron_day) : "";
    c.pdf_password = rng.PerMille(350) ? Password(rng, 8) : "";
    c.page_number = rng.Between(1, 480);
    companies.push_back(std::move(c));
  }
  // The first company has its own holiday and PDF password, the second neither, so both
  // sides are always there.
  companies[0].holiday = "1306";
  companies[0].inail_office = "PD";
  if (companies[0].pdf_password.empty()) companies[0].pdf_password = Password(rng, 8);
  if (companies.size() > 1) {
    companies[1].holiday.clear();
    companies[1].pdf_password.clear();
  }
  return companies;
}

// Employees per company: one each at least (when there are enough), the rest shared out by
// skewed weights (a few large companies, many small ones) with the largest-remainder rule.
std::vector<int> SplitEmployees(DemoRandom& rng, int companies, int employees) {
  std::vector<int> counts(static_cast<size_t>(companies), 0);
  int rest = employees;
  if (employees >= companies) {
    std::fill(counts.begin(), counts.end(), 1);
    rest -= companies;
  }
  std::vector<double> weights(counts.size());
  double total = 0;
  for (double& w : weights) {
    const double r = rng.Below(1000) / 100.0;
    w = 1.0 + r * r * r;
    total += w;
  }
  std::vector<std::pair<double, size_t>> remainders;
  int given = 0;
  for (size_t i = 0; i < counts.size(); ++i) {
    const double share = rest * weights[i] / total;
    const int whole = static_cast<int>(share);
    counts[i] += whole;
    given += whole;
    remainders.emplace_back(share - whole, i);
  }
  std::stable_sort(remainders.begin(), remainders.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (size_t k = 0; given < rest; ++k, ++given) ++counts[remainders[k % remainders.size()].second];
  return counts;
}

// Name, sex, birth and place of birth of one person hired on `hired`.
void DrawPerson(DemoRandom& rng, const Province& province, int year, Employee* e,
                std::string* birthplace) {
  e->female = rng.PerMille(470);
  const size_t origin = rng.Weighted({850, 70, 80});
  if (origin == 2) {
    const Origin& o = rng.Pick(Span(kForeignOrigins));
    e->first_name = std::string(rng.Pick(e->female ? o.females : o.males));
    e->surname = std::string(rng.Pick(o.surnames));
    *birthplace = std::string(o.municipality);
  } else {
    e->first_name = std::string(rng.Pick(e->female ? Span(kFemaleNames) : Span(kMaleNames)));
    e->surname = std::string(rng.Pick(Span(kSurnames)));
    *birthplace = std::string(origin == 0 ? province.municipality : rng.Pick(Span(kItalianCities)));
  }
  // Old enough at hiring, and not past retirement age in the processing year.
  const int oldest = std::min(50, e->hired.y - year + 66);
  const int age = rng.Between(18, std::max(18, oldest));
  e->birth = RandomDayIn(rng, e->hired.y - age);
}

const Province& ProvinceOf(const Company& c) {
  for (const Province& p : kProvinces) {
    if (p.code == c.inail_office) return p;
  }
  return kProvinces[0];
}

void ApplyCase(DemoCase c, int year, int month, Employee* e) {
  e->groups = {1, 0, 0, 0, 0};
  switch (c) {
    case DemoCase::kGroup:
      break;
    case DemoCase::kProfile:
      e->groups = {};
      e->profile = "002";  // 7 h 45 min a day
      break;
    case DemoCase::kRotation2:
      e->groups = {kMorningShiftGroup, kAfternoonShiftGroup, 0, 0, 0};
      e->change_day = 0;
      e->position = 1;
      break;
    case DemoCase::kRotation3:
      e->groups = {kMorningShiftGroup, kAfternoonShiftGroup, kNightShiftGroup, 0, 0};
      e->change_day = 0;
      e->position = 0;
      break;
    case DemoCase::kRotation4:
      e->groups = {1, kMorningShiftGroup, kAfternoonShiftGroup, kNightShiftGroup, 0};
      e->change_day = 6;
      e->position = 2;
      break;
    case DemoCase::kRotation5:
      e->groups = {1, kMorningShiftGroup, kAfternoonShiftGroup, kNightShiftGroup, 11};
      e->change_day = 0;
      e->position = 5;
      break;
    case DemoCase::kRotationWithProfile:
      e->groups = {kMorningShiftGroup, kAfternoonShiftGroup, 0, 0, 0};
      e->profile = "001";
      e->position = 1;
      break;
    case DemoCase::kHiredMidMonth:
      e->hired = {year, month, 10};
      e->birth.y = std::min(e->birth.y, year - 19);
      break;
    case DemoCase::kLeavingMidMonth:
      e->left = {year, month, 20};
      e->status = 0;
      break;
    case DemoCase::kStatus2:
      e->left = {year, month, 12};
      e->status = 2;
      break;
    case DemoCase::kCollaboratorWithGroup:
      e->collaborator = true;
      e->groups = {3, 0, 0, 0, 0};
      break;
    case DemoCase::kCollaboratorWithoutGroup:
      e->collaborator = true;
      e->groups = {};
      break;
    case DemoCase::kGrantHolder:
      e->grant_holder = true;
      break;
    case DemoCase::kExcluded:
      e->excluded = true;
      break;
    case DemoCase::kNotListed:
      e->not_listed = true;
      break;
    case DemoCase::kMissingGroup:
      e->groups = {kMissingGroupCode, 0, 0, 0, 0};
      break;
    case DemoCase::kNoSchedule:
      e->groups = {};
      break;
    case DemoCase::kLetterSheet:
      e->letter_sheet = true;
      break;
    case DemoCase::kLeftEarlierYear:
      break;
  }
}

// The realistic mix of the employees that carry no case of their own.
void DrawSchedule(DemoRandom& rng, Employee* e) {
  switch (rng.Weighted({860, 80, 40, 20})) {
    case 0:
      e->groups[0] = kPlainGroups[rng.Weighted(Span(kPlainGroupWeights))];
      break;
    case 1:
      e->profile = ZeroPad(rng.Pick(DemoProfiles()).code, 3);
      break;
    case 2: {
      static constexpr std::array<int, 4> kShifts = {kMorningShiftGroup, kAfternoonShiftGroup,
                                                     kNightShiftGroup, 1};
      const int n = rng.Between(2, 4);
      for (int i = 0; i < n; ++i)
        e->groups[static_cast<size_t>(i)] = kShifts[static_cast<size_t>(i)];
      e->change_day = rng.PerMille(800) ? 0 : 6;
      e->position = rng.Between(0, n);
      break;
    }
    default:
      e->collaborator = true;
      e->groups[0] = rng.PerMille(500) ? 1 : 3;
      break;
  }
  e->letter_sheet = rng.PerMille(40);
  e->grant_holder = !e->collaborator && rng.PerMille(5);
}

// Windows-1252 letters folded to plain upper-case A-Z (accents dropped); other characters
// give 0.
char FoldLetter(unsigned char c) {
  static constexpr std::string_view kHigh =
      "AAAAAAACEEEEIIIIDNOOOOO-OUUUUY-SAAAAAAACEEEEIIIIDNOOOOO-OUUUUY-Y";
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c);
  if (c >= 0xC0) {
    const char f = kHigh[c - 0xC0];
    return f == '-' ? 0 : f;
  }
  return 0;
}

bool IsVowel(char c) { return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U'; }

// Three letters of a surname or first name: consonants first, then vowels, then X; a first
// name with four or more consonants uses the first, third and fourth.
std::string NamePart(const std::string& utf8, bool first_name) {
  std::string consonants;
  std::string vowels;
  for (unsigned char c : Utf8ToCp1252(utf8)) {
    const char f = FoldLetter(c);
    if (f == 0) continue;
    (IsVowel(f) ? vowels : consonants) += f;
  }
  if (first_name && consonants.size() >= 4) {
    return {consonants[0], consonants[2], consonants[3]};
  }
  std::string part = consonants + vowels + "XXX";
  return part.substr(0, 3);
}

}  // namespace

std::string Day::Ddmmyyyy() const {
  if (empty()) return "";
  return ZeroPad(d, 2) + ZeroPad(m, 2) + ZeroPad(y, 4);
}

std::string TaxCode(const std::string& surname, const std::string& first_name, bool female,
                    const Day& birth, const std::string& municipality) {
  static constexpr std::string_view kMonths = "ABCDEHLMPRST";
  std::string code = NamePart(surname, false) + NamePart(first_name, true);
  code += ZeroPad(birth.y % 100, 2);
  code += kMonths[static_cast<size_t>(birth.m - 1)];
  code += ZeroPad(birth.d + (female ? 40 : 0), 2);
  code += municipality;
  // Check character: characters in odd places (1st, 3rd, ...) count by the odd table,
  // the others by their rank (digits 0-9, letters A-Z as 0-25).
  static constexpr int kOdd[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                   20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
  int sum = 0;
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    const int rank = (c >= '0' && c <= '9') ? c - '0' : c - 'A';
    sum += (i % 2 == 0) ? kOdd[rank] : rank;
  }
  code += static_cast<char>('A' + sum % 26);
  return code;
}

uint32_t ClassifyEmployee(const Employee& e, int year, int month) {
  if (!e.InYear(year)) return 1u << static_cast<int>(DemoCase::kLeftEarlierYear);
  uint32_t bits = 0;
  auto set = [&bits](DemoCase c) { bits |= 1u << static_cast<int>(c); };
  int further = 0;
  for (size_t i = 1; i < e.groups.size(); ++i) further += e.groups[i] != 0 ? 1 : 0;
  const bool group = e.groups[0] != 0;
  const bool rotation = group && further > 0;
  const bool profile = !e.profile.empty();
  const bool nothing = !group && further == 0 && !profile;
  const Day month_start{year, month, 1};

  if (group && further == 0 && !profile && IsDemoGroup(e.groups[0]) && !e.collaborator &&
      !e.grant_holder && !e.letter_sheet && !e.excluded && !e.not_listed && e.status == 0 &&
      e.left.empty() && e.hired.Key() < month_start.Key()) {
    set(DemoCase::kGroup);
  }
  if (profile && !group && further == 0) set(DemoCase::kProfile);
  if (rotation && !profile) {
    static constexpr DemoCase kBySize[] = {DemoCase::kRotation2, DemoCase::kRotation3,
                                           DemoCase::kRotation4, DemoCase::kRotation5};
    set(kBySize[further - 1]);
  }
  if (rotation && profile) set(DemoCase::kRotationWithProfile);
  if (e.hired.y == year && e.hired.m == month && e.hired.d > 1) set(DemoCase::kHiredMidMonth);
  if (e.left.y == year && e.left.m == month && e.left.d < MonthLength(month, year) &&
      e.status == 0) {
    set(DemoCase::kLeavingMidMonth);
  }
  if (e.status == 2 && !e.left.empty()) set(DemoCase::kStatus2);
  if (e.collaborator && group) set(DemoCase::kCollaboratorWithGroup);
  if (e.collaborator && nothing) set(DemoCase::kCollaboratorWithoutGroup);
  if (!e.collaborator && nothing) set(DemoCase::kNoSchedule);
  if (e.grant_holder) set(DemoCase::kGrantHolder);
  if (e.excluded) set(DemoCase::kExcluded);
  if (e.not_listed) set(DemoCase::kNotListed);
  if (group && !IsDemoGroup(e.groups[0])) set(DemoCase::kMissingGroup);
  if (e.letter_sheet) set(DemoCase::kLetterSheet);
  return bits;
}

namespace {

// An employee being drawn, with the birthplace the tax code is built from.
struct Draft {
  Employee e;
  std::string birthplace;
};

// One employee of `company`: hired long ago, in the last years or earlier this year, or (for
// `left_earlier`) someone who left in one of the four years before.
Draft DrawDraft(DemoRandom& rng, const Company& company, int year, int month, bool left_earlier) {
  Draft draft;
  Employee& e = draft.e;
  e.company = company.code;
  e.sub_company = (company.sub_companies > 1 && rng.PerMille(350))
                      ? rng.Between(1, company.sub_companies - 1)
                      : 0;
  if (left_earlier) {
    e.hired = RandomDayIn(rng, rng.Between(year - 25, year - 5));
    e.left = RandomDayIn(rng, rng.Between(year - 4, year - 1));
    e.status = 2;
  } else {
    switch (month > 1 ? rng.Weighted({620, 330, 50}) : rng.Weighted({650, 350})) {
      case 0:
        e.hired = RandomDayIn(rng, rng.Between(year - 30, year - 5));
        break;
      case 1:
        e.hired = RandomDayIn(rng, rng.Between(year - 4, year - 1));
        break;
      default:
        e.hired = RandomDayIn(rng, year, 1, month - 1);
        break;
    }
  }
  DrawPerson(rng, ProvinceOf(company), year, &e, &draft.birthplace);
  e.groups[0] = 1;
  return draft;
}

// The people of the processing year, company by company, then those who left in one of the
// four years before.
std::vector<Draft> DrawDrafts(DemoRandom& rng, const PopulationPlan& plan,
                              const std::vector<Company>& companies,
                              const std::vector<int>& counts) {
  std::vector<Draft> drafts;
  drafts.reserve(static_cast<size_t>(plan.employees) + static_cast<size_t>(plan.employees / 25) +
                 1);
  for (size_t i = 0; i < counts.size(); ++i) {
    for (int k = 0; k < counts[i]; ++k)
      drafts.push_back(DrawDraft(rng, companies[i], plan.year, plan.month, false));
  }
  const int leavers = std::min(std::max(1, plan.employees / 25), 9999 - plan.employees);
  for (int k = 0; k < leavers; ++k) {
    // A leaver belongs to a company picked in proportion to its size.
    const int company = drafts[rng.Below(static_cast<uint32_t>(plan.employees))].e.company;
    size_t index = 0;
    while (companies[index].code != company) ++index;
    drafts.push_back(DrawDraft(rng, companies[index], plan.year, plan.month, true));
  }
  return drafts;
}

// Employee numbers: in company and sub-company order, by date of hiring, with a few numbers
// skipped while the four digits leave room.
void NumberEmployees(DemoRandom& rng, std::vector<Draft>* drafts) {
  std::stable_sort(drafts->begin(), drafts->end(), [](const Draft& a, const Draft& b) {
    if (a.e.company != b.e.company) return a.e.company < b.e.company;
    if (a.e.sub_company != b.e.sub_company) return a.e.sub_company < b.e.sub_company;
    return a.e.hired.Key() < b.e.hired.Key();
  });
  int spare = 9999 - static_cast<int>(drafts->size());
  int number = 0;
  int previous_company = 0;
  int staff = 0;
  for (Draft& draft : *drafts) {
    Employee& e = draft.e;
    if (spare > 0 && rng.PerMille(15)) {
      const int skip = std::min(spare, rng.Between(1, 3));
      number += skip;
      spare -= skip;
    }
    e.number = ++number;
    e.key = ZeroPad(e.company, 3) + ZeroPad(e.sub_company, 3) + ZeroPad(e.number, 4);
    staff = e.company == previous_company ? staff + 1 : 1;
    previous_company = e.company;
    e.staff_number = ZeroPad(staff, 4);
  }
}

// Every case to one employee of the processing year, spread over the whole list; the others
// draw their schedule.
void AssignCases(DemoRandom& rng, int year, int month, std::vector<Draft>* drafts) {
  std::vector<size_t> current;
  for (size_t i = 0; i < drafts->size(); ++i) {
    if ((*drafts)[i].e.left.empty()) current.push_back(i);
  }
  const size_t cases = static_cast<size_t>(DemoCase::kLeftEarlierYear);
  const size_t special = std::min(cases, current.size());
  std::vector<bool> is_special(drafts->size(), false);
  for (size_t c = 0; c < special; ++c) {
    const size_t pick = current[(2 * c + 1) * current.size() / (2 * special)];
    is_special[pick] = true;
    ApplyCase(static_cast<DemoCase>(c), year, month, &(*drafts)[pick].e);
  }
  for (size_t i : current) {
    if (!is_special[i]) {
      (*drafts)[i].e.groups[0] = 0;
      DrawSchedule(rng, &(*drafts)[i].e);
    }
  }
}

}  // namespace

Population GeneratePopulation(const PopulationPlan& plan) {
  DemoRandom rng(plan.seed);
  Population pop;
  pop.year = plan.year;
  pop.month = plan.month;
  pop.companies = GenerateCompanies(rng, plan.companies);

  // Sub-companies: some larger companies have one or two branches.
  const std::vector<int> counts = SplitEmployees(rng, plan.companies, plan.employees);
  for (size_t i = 0; i < counts.size(); ++i) {
    if (counts[i] >= 12 && rng.PerMille(400)) pop.companies[i].sub_companies = rng.Between(2, 3);
  }

  std::vector<Draft> drafts = DrawDrafts(rng, plan, pop.companies, counts);
  NumberEmployees(rng, &drafts);
  AssignCases(rng, plan.year, plan.month, &drafts);

  for (Draft& draft : drafts) {
    Employee& e = draft.e;
    e.tax_code = TaxCode(e.surname, e.first_name, e.female, e.birth, draft.birthplace);
    switch (rng.Weighted({450, 50, 500})) {
      case 0:
        e.pdf_password = e.birth.Ddmmyyyy();
        break;
      case 1:
        e.pdf_password = "00000000";
        break;
      default:
        break;
    }
    pop.employees.push_back(std::move(e));
  }
  return pop;
}

}  // namespace kaveltar::demo
