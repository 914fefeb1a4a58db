// A colour printer's condition for the exporter's tests: four toners (one some-remaining, one
// without a capacity), a waste box, two trays, a jam and its alert table with a repeated row, a
// console with a blank line, and texts a printer may really send: quotes, backslashes,
// newlines, markup, non-ASCII, trailing blanks.
#pragma once

#include "condition/condition.h"

namespace exporter::testing {

inline condition::Condition SampleCondition() {
    using condition::LevelState;
    condition::Condition c;
    c.answered = true;
    c.model = "Brother HL-L8360CDW \"series\"";
    c.serial = "E78\\9K";
    c.name = "lab\nprinter <b>";
    c.location = "2nd floor, Büro";
    c.deviceStatus = 3;   // warning
    c.printerStatus = 3;  // idle
    c.errorBits = (1u << mib::ERROR_JAMMED) | (1u << mib::ERROR_LOW_TONER);
    c.health = condition::Health::Critical;
    c.reasons = {"paper jam", "Cyan toner at 5%"};
    c.supplies = {
        {1, 1, "Black Toner", "black", 3, 3, 7, 6500, 4210, LevelState::Ok, 64.77},
        {2, 1, "Cyan Toner", "cyan", 3, 3, 7, 6500, 325, LevelState::Ok, 5.0},
        {3, 1, "Magenta <Toner>", "magenta", 3, 3, 7, 6500, std::nullopt, LevelState::SomeRemaining,
         std::nullopt},
        {4, 1, "Yellow Toner", "yellow", 3, 3, 7, std::nullopt, 340, LevelState::Ok, std::nullopt},
        {5, 1, "Waste \"Toner\" Box", "", 4, 4, 19, 100, 80, LevelState::Ok, 80.0},
    };
    c.inputs = {
        {1, "Tray 1", "A4", 250, 120, LevelState::Ok, 0},
        {2, "MP Tray", "", 50, std::nullopt, LevelState::Unknown, std::nullopt},
    };
    c.alerts = {
        {1, 3, 4, 13, 1, 8, "Paper jam\nin \"rear\""},
        {2, 4, 4, 11, 2, 1104, "Cyan toner low"},
        {3, 4, 4, 11, 2, 1104, "Cyan toner low"},
    };
    c.markers = {{1, 11872u, 37u}};
    c.uptimeTicks = 917344;
    c.consoleLines = {"PAPER JAM  ", "", "Open \"rear\" door"};
    return c;
}

}  // namespace exporter::testing
