// The details window's texts from conditions made by hand: each control's text, the supply
// rows with their bars' colours and positions, special values in words, and what a reading
// that was not answered shows.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "condition/details_text.h"

namespace {

using condition::LevelState;
using condition::Supply;

// {index, marker, description, colour, type, class, unit, capacity, level, level state, percent}
Supply Toner(const char* description, const char* colour, std::optional<double> percent,
             LevelState state = LevelState::Ok) {
    return Supply{1, 1, description, colour, 3, 3, 19, 100, std::nullopt, state, percent};
}

TEST(DetailsText, SupplyRows) {
    Supply counted = Toner("Staples", "", std::nullopt);
    counted.level = 120;
    counted.capacity.reset();
    Supply ofCapacity = counted;
    ofCapacity.capacity = 500;
    Supply waste = Toner("Waste Toner Box", "", 22.8);
    waste.supplyClass = 4;  // receptacle
    Supply unnamed = Toner("", "Cyan", 28.2);
    Supply control = Toner("Black\r\nInjected", "black", 64.8);
    const struct {
        const char* name;
        Supply supply;
        condition::SupplyRow row;
    } cases[] = {
        {"black, rounded bar",
         Toner("Black Toner", "black", 64.8),
         {"Black Toner", 65, "64.8%", 0x000000u}},
        {"yellow", Toner("Yellow Toner", "yellow", 5.2), {"Yellow Toner", 5, "5.2%", 0x00FFFFu}},
        {"magenta", Toner("M", "magenta", 45), {"M", 45, "45%", 0xFF00FFu}},
        {"a colour in capitals; no description: its name",
         unnamed,
         {"Cyan toner", 28, "28.2%", 0xFFFF00u}},
        {"no colorant is grey", Toner("Drum Unit", "", 71), {"Drum Unit", 71, "71%", 0x808080u}},
        {"an unknown colorant is grey",
         Toner("Gloss", "clear", 10),
         {"Gloss", 10, "10%", 0x808080u}},
        {"a receptacle", waste, {"Waste Toner Box", 23, "22.8% full", 0x808080u}},
        {"some remaining",
         Toner("T", "black", std::nullopt, LevelState::SomeRemaining),
         {"T", 0, "some remaining", 0}},
        {"no restriction",
         Toner("T", "black", std::nullopt, LevelState::Other),
         {"T", 0, "no restriction", 0}},
        {"unknown", Toner("T", "black", std::nullopt, LevelState::Unknown), {"T", 0, "unknown", 0}},
        {"a count without a capacity", counted, {"Staples", 0, "120", 0x808080u}},
        {"a count of a capacity", ofCapacity, {"Staples", 0, "120 of 500", 0x808080u}},
        {"a printer's controls are no line break",
         control,
         {"Black\xEF\xBF\xBD\xEF\xBF\xBDInjected", 65, "64.8%", 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        condition::Condition printer;
        printer.answered = true;
        printer.supplies = {c.supply};
        const auto texts = condition::DetailsFor(printer);
        ASSERT_EQ(texts.supplies.size(), 1u);
        const condition::SupplyRow& row = texts.supplies[0];
        EXPECT_EQ(std::tie(row.name, row.percent, row.level, row.colour, row.bar),
                  std::tie(c.row.name, c.row.percent, c.row.level, c.row.colour, c.row.bar));
    }
}

TEST(DetailsText, RowsForMoreSuppliesThanTheWindowHas) {
    for (const std::size_t count : {7u, 8u, 9u, 11u}) {
        SCOPED_TRACE(count);
        condition::Condition printer;
        printer.answered = true;
        for (std::size_t i = 0; i < count; ++i) {
            printer.supplies.push_back(Toner(("S" + std::to_string(i)).c_str(), "black", 50));
        }
        const auto rows = condition::DetailsFor(printer).supplies;
        ASSERT_EQ(rows.size(), std::min<std::size_t>(count, condition::DETAILS_SUPPLY_ROWS));
        if (count <= condition::DETAILS_SUPPLY_ROWS) {
            EXPECT_EQ(rows.back().name, "S" + std::to_string(count - 1));
            EXPECT_TRUE(rows.back().bar);
        } else {
            EXPECT_EQ(rows[6].name, "S6");
            EXPECT_EQ(rows.back().name, "and " + std::to_string(count - 7) + " more");
            EXPECT_FALSE(rows.back().bar);
        }
    }
}

TEST(DetailsText, TheOtherControls) {
    condition::Condition printer;
    printer.answered = true;
    printer.health = condition::Health::Critical;
    printer.reasons = {"jammed", "supply yellow toner at 5.2%", "alert critical: jam"};
    printer.deviceStatus = 5;
    printer.printerStatus = 1;
    printer.serial = "E78512K1N234567";
    printer.inputs = {{1, "Tray 1", "A4", 500, 360, LevelState::Ok, 0},
                      {2, "", "", std::nullopt, std::nullopt, LevelState::SomeRemaining, 0},
                      {3, "MP Tray", "Letter", std::nullopt, 20, LevelState::Ok, 0}};
    printer.alerts = {{1, 3, 0, 8, 1, 8, "Paper jam"}, {2, 1, 0, 5, 1, 0, ""}};
    printer.markers = {{1, 11872, 37}};
    const auto texts = condition::DetailsFor(printer);
    EXPECT_EQ(texts.health, "critical");
    EXPECT_EQ(texts.reasons, "paper jam\r\nyellow toner low (5.2%)\r\nalert critical: jam");
    EXPECT_EQ(std::tie(texts.device, texts.printer, texts.serial),
              std::make_tuple("down", "other", "E78512K1N234567"));
    EXPECT_EQ(texts.trays,
              "Tray 1: A4, 360 of 500 sheets\r\nTray 2: some remaining\r\nMP Tray: Letter, 20 "
              "sheets");
    EXPECT_EQ(texts.alerts, "critical jam: Paper jam\r\nother code 0");
    EXPECT_EQ(texts.pages, "11872 (37 since power-on)");

    // Not answered: the health and why, nothing else.
    condition::Condition silent;
    silent.reasons = {"no answer (host down, filtered, or wrong community)"};
    const auto none = condition::DetailsFor(silent);
    EXPECT_EQ(
        std::tie(none.health, none.reasons),
        std::make_tuple("unreachable", "no answer (host down, filtered, or wrong community)"));
    EXPECT_TRUE(none.device.empty() && none.supplies.empty() && none.trays.empty() &&
                none.pages.empty());
}

TEST(DetailsText, WhenItWasRead) {
    condition::Condition read;
    read.answered = true;
    EXPECT_EQ(condition::ReadAtText(read, 14, 2, 7), "Read at 14:02:07");
    read.error = "deadline passed";
    EXPECT_EQ(condition::ReadAtText(read, 9, 0, 0),
              "Read at 09:00:00, incomplete: deadline passed");
    EXPECT_EQ(condition::ReadAtText(condition::Condition{}, 23, 59, 59), "No answer at 23:59:59");
}

}  // namespace
