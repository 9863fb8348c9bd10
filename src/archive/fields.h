// The descriptors of the payroll archive fields this program reads or writes, by field code.
#pragma once

#include <array>
#include <string_view>

namespace kaveltar::fields {

// Company record (archive base 1, record number = company code).
inline constexpr std::string_view kT001 = "DITX$,00003,03,N,0,T001";  // company code
inline constexpr std::string_view kT002 = "DITX$,00006,30,A,0,T002";  // company name
inline constexpr std::string_view kT003 = "DITX$,01451,10,A,0,T003";  // shown after the name
inline constexpr std::string_view kT007 = "DITX$,00107,02,A,0,T007";
inline constexpr std::string_view kT030 = "DITX$,01503,04,D,0,T030";  // company holiday, DDMM
inline constexpr std::string_view kT364 = "DITX$,02483,10,A,0,T364";  // company PDF password
inline constexpr std::string_view kT466 = "DITX$,02791,08,N,0,T466";  // company page number

// Employee record (archive bases 2, 29, 31, 91, 84 by year).
inline constexpr std::string_view kP001 = "DIPX$,00003,10,A,0,P001";  // employee key
inline constexpr std::string_view kP002 = "DIPX$,09515,30,A,0,P002";  // surname
inline constexpr std::string_view kP003 = "DIPX$,09545,30,A,0,P003";  // first name
inline constexpr std::string_view kP004 = "DIPX$,00048,16,A,0,P004";  // tax code
inline constexpr std::string_view kP013 = "DIPX$,04209,08,D,0,P013";  // hiring date DDMMYYYY
inline constexpr std::string_view kP017 = "DIPX$,04225,08,D,0,P017";  // end date DDMMYYYY
inline constexpr std::string_view kP054 = "DIPX$,00223,01,N,0,P054";  // employment status
inline constexpr std::string_view kP102 = "DIPX$,01037,04,A,0,P102";
inline constexpr std::string_view kP138 = "DIPX$,03863,03,A,0,P138";  // hour profile code
inline constexpr std::string_view kP447 = "DIPX$,02430,01,N,0,P447";  // 1 = collaborator
inline constexpr std::string_view kP529 = "DIPX$,00688,01,N,0,P529";
inline constexpr std::string_view kP766 = "DIPX$,11630,03,N,0,P766";  // schedule group
inline constexpr std::string_view kP767 = "DIPX$,11633,01,N,0,P767";  // sheet print type
inline constexpr std::string_view kP768 = "DIPX$,11634,01,N,0,P768";  // list filter
inline constexpr std::string_view kP772 = "DIPX$,11760,03,N,0,P772";  // further groups
inline constexpr std::string_view kP773 = "DIPX$,11763,03,N,0,P773";
inline constexpr std::string_view kP774 = "DIPX$,11766,03,N,0,P774";
inline constexpr std::string_view kP775 = "DIPX$,11769,03,N,0,P775";
inline constexpr std::string_view kP776 = "DIPX$,11772,01,N,0,P776";  // rotation data
inline constexpr std::string_view kP777 = "DIPX$,11773,03,N,0,P777";  // rotation position
inline constexpr std::string_view kP890 = "DIPX$,13492,01,N,0,P890";  // 1 = not memorized
inline constexpr std::string_view kP977 = "DIPX$,14522,08,A,0,P977";  // employee PDF password

// Hour profile (archive base 96, record number = profile code): hours of Monday..Sunday.
inline constexpr std::array<std::string_view, 7> kProfileDays = {
    "PROX$,00031,05,2,0,B004", "PROX$,00036,05,2,0,B005", "PROX$,00041,05,2,0,B006",
    "PROX$,00046,05,2,0,B007", "PROX$,00051,05,2,0,B008", "PROX$,00056,05,2,0,B009",
    "PROX$,00061,05,2,0,B010"};

// Installation parameters (archive base 19, record 1).
inline constexpr std::string_view kF161 = "FISX$,00321,04,D,0,F161";  // extra holiday DDMM
inline constexpr std::string_view kF357 = "FISX$,00983,10,A,0,F357";  // office PDF password
inline constexpr std::string_view kF416 = "FISX$,02655,08,N,0,F416";  // single page number
inline constexpr std::string_view kF419 = "FISX$,02673,01,N,0,F419";  // 0 = single numbering

// Payroll formulas (archive base 401).
inline constexpr std::string_view kZ001 = "FOTX$,00004,03,N,0,Z001";  // formula code
inline constexpr std::string_view kZ002 = "FOTX$,00007,18,A,0,Z002";  // description
inline constexpr std::string_view kZ003 = "FOTX$,00201,38,A,0,Z003";  // formula text

}  // namespace kaveltar::fields
