// The JSON object and the text block of a condition.
#include <gtest/gtest.h>

#include <string>

#include "condition/health.h"
#include "condition/render.h"
#include "tests/condition/fake_agent.h"

namespace {

using condition::Condition;

TEST(ConditionRender, JsonHasTheListedFieldsWithNullsForTheUnknown) {
    fake::Agent agent;
    agent.Load(fake::FullPrinterProfile());
    const Condition read = fake::Drive(agent, condition::SnmpVersion::V1);
    const auto json = condition::ConditionToJson(read);
    EXPECT_EQ(json.dump(),
              R"({"health":"critical","reasons":["jammed","alert critical: jam","lowToner",)"
              R"("device warning","alert warning: markerTonerAlmostEmpty",)"
              R"("supply yellow toner at 4%"],"device_status":"warning","printer_status":"other",)"
              R"("errors":["lowToner","jammed"],"serial":"VMK4C-000042","supplies":[)"
              R"({"description":"Black Toner Cartridge","colour":"black","type":"toner",)"
              R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":4210,)"
              R"("percent":64.8,"level_state":"ok"},)"
              R"({"description":"Cyan Toner Cartridge","colour":"cyan","type":"toner",)"
              R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":1830,)"
              R"("percent":28.2,"level_state":"ok"},)"
              R"({"description":"Magenta Toner Cartridge","colour":"magenta","type":"toner",)"
              R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":2925,)"
              R"("percent":45.0,"level_state":"ok"},)"
              R"({"description":"Yellow Toner Cartridge","colour":"yellow","type":"toner",)"
              R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":260,)"
              R"("percent":4.0,"level_state":"ok"},)"
              R"({"description":"Waste Toner Box","colour":null,"type":"wasteToner",)"
              R"("class":"receptacleThatIsFilled","unit":"percent","capacity":null,"level":null,)"
              R"("percent":null,"level_state":"some-remaining"}],)"
              R"("inputs":[{"name":"Tray 1","media":"A4","capacity":500,"level":250,"status":0},)"
              R"({"name":"Multipurpose tray","media":"","capacity":100,"level":null,"status":0}],)"
              R"("alerts":[{"severity":"critical","group":"mediaPath","code":"jam",)"
              R"("description":"Paper jam in tray 2"},{"severity":"warning",)"
              R"("group":"markerSupplies","code":"markerTonerAlmostEmpty",)"
              R"("description":"Yellow toner low"}],)"
              R"("markers":[{"life_count":48213,"power_on_count":212}]})");
    EXPECT_EQ(condition::ConditionJson(read), json.dump());
}

TEST(ConditionRender, TextShowsHealthSuppliesTraysAlertsWithoutControls) {
    fake::Agent agent;
    agent.Load(fake::FullPrinterProfile());
    // A printer's text that would drive a terminal: ESC, a C1 CSI (as UTF-8), BEL, DEL.
    agent.Set("1.3.6.1.2.1.43.18.1.1.8.1.1", fake::Text("Jam\x1b[2J \xc2\x9b"
                                                        "31m\x07\x7f!"));
    const Condition read = fake::Drive(agent, condition::SnmpVersion::V2c);
    const std::string text = condition::ConditionText(read);
    EXPECT_EQ(text,
              "Condition: critical (jammed, alert critical: jam, lowToner, device warning, "
              "alert warning: markerTonerAlmostEmpty, supply yellow toner at 4%)\n"
              "  Device warning, printer other, serial VMK4C-000042\n"
              "  Supplies:\n"
              "    black     [#############-------] 64.8%   Black Toner Cartridge\n"
              "    cyan      [######--------------] 28.2%   Cyan Toner Cartridge\n"
              "    magenta   [#########-----------] 45.0%   Magenta Toner Cartridge\n"
              "    yellow    [#-------------------] 4.0%    Yellow Toner Cartridge\n"
              "    -         [                    ] some-remaining  Waste Toner Box\n"
              "  Trays:\n"
              "    Tray 1    [##########----------] 50.0%   A4\n"
              "    Multipurpose tray [                    ] some-remaining  \n"
              "  Alerts:\n"
              "    critical  jam          Jam\xEF\xBF\xBD[2J \xEF\xBF\xBD"
              "31m\xEF\xBF\xBD\xEF\xBF\xBD!\n"
              "    warning   markerTonerAlmostEmpty Yellow toner low\n");
    Condition gone;
    gone.error = "timeout";
    condition::DeriveHealth(gone, 10);
    EXPECT_EQ(condition::ConditionText(gone), "Condition: unreachable (timeout)\n");
}

}  // namespace
