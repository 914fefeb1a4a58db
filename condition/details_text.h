// The details window's texts: a printer's whole condition as the controls of the desktop's
// details window show it, one text per control. Pure functions; every printer text in them
// has gone through the printable rule (text/printable_text.h), and lists are lines joined by
// CR LF, as a multi-line edit control takes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "condition/condition.h"

namespace condition {

// Supply rows the window has; a printer with more shows the first ROWS - 1 and a last row
// that says how many more ("and 3 more").
inline constexpr std::size_t DETAILS_SUPPLY_ROWS = 8;

struct SupplyRow {
    std::string name;
    int percent = 0;           // what the bar shows, 0 to 100; 0 when `level` says it in words
    std::string level;         // "64%", "95% full", "250 of 500", "unknown", "some remaining" ...
    std::uint32_t colour = 0;  // the bar's colour as a COLORREF (0x00BBGGRR)
    bool bar = true;           // false for the "and N more" row
};

struct DetailsTexts {
    std::string health;   // "ok", "warning", "critical", "unreachable"
    std::string reasons;  // the reasons in words, one a line
    std::string device;   // the device's and the printer's status by their MIB names
    std::string printer;
    std::string serial;
    std::vector<SupplyRow> supplies;  // at most DETAILS_SUPPLY_ROWS
    std::string trays;                // "Tray 2: A4, 250 of 500 sheets", one a line
    std::string alerts;               // "critical jam: Paper jam in tray 2", one a line
    std::string pages;                // "12345 (678 since power-on)"
};

DetailsTexts DetailsFor(const Condition& condition);

// A colorant's name as a bar's colour: the process colours and black by name (any case),
// grey for any other or none.
std::uint32_t ColourOf(const std::string& colorant);

// When the reading ended, as the window says it: "Read at 14:02:07", with what went wrong
// for a reading that stopped short or was not answered.
std::string ReadAtText(const Condition& condition, int hour, int minute, int second);

}  // namespace condition
