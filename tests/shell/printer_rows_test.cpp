// The window on printers that number their rows their own way: the model query finds the
// printer's device and toner row, the poll cycle reads them, against the simulated printer on
// loopback with the real SNMP layer and the fake UI standing in for the window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "shell/find_rows.h"
#include "shell/globals.h"
#include "shell/object_text.h"
#include "shell/poll_cycle.h"
#include "shell/resources/resource.h"
#include "state/printer_rows.h"
#include "state/watched_target.h"
#include "tests/support/fake_ui/fake_ui.h"
#include "tests/support/printer_sim.h"
#include "text/bounded_text.h"

namespace {

// Profile lines. Device types: hrDeviceProcessor 3, hrDeviceNetwork 4, hrDevicePrinter 5.
// Supply types: toner 3, inkCartridge 6, opc (drum) 9.
std::string Line(const std::string& oid, int tag, const std::string& value) {
    return oid + "|" + std::to_string(tag) + "|" + value + "\n";
}
std::string Device(int index, int type, const std::string& description) {
    const std::string i = std::to_string(index);
    return Line("1.3.6.1.2.1.25.3.2.1.2." + i, 6, "1.3.6.1.2.1.25.3.1." + std::to_string(type)) +
           Line("1.3.6.1.2.1.25.3.2.1.3." + i, 4, description);
}
// A supply row without a type when `type` is 0.
std::string Supply(int device, int row, int type, int capacity, int level) {
    const std::string cell = std::to_string(device) + "." + std::to_string(row);
    return (type != 0 ? Line("1.3.6.1.2.1.43.11.1.1.5." + cell, 2, std::to_string(type)) : "") +
           Line("1.3.6.1.2.1.43.11.1.1.8." + cell, 2, std::to_string(capacity)) +
           Line("1.3.6.1.2.1.43.11.1.1.9." + cell, 2, std::to_string(level));
}
// Console line 1 and the page counts of marker 1.
std::string Panel(int device, const std::string& line1, int pages) {
    const std::string d = std::to_string(device);
    return Line("1.3.6.1.2.1.43.10.2.1.4." + d + ".1", 65, std::to_string(pages)) +
           Line("1.3.6.1.2.1.43.10.2.1.5." + d + ".1", 65, "7") +
           Line("1.3.6.1.2.1.43.16.5.1.2." + d + ".1", 4, line1);
}
const std::string SYS_DESCR = Line("1.3.6.1.2.1.1.1.0", 4, "Acme Print Server 5");
const std::string VENDOR = Line("1.3.6.1.4.1.11.2.3.9.1.1.3.0", 4, "READY");

std::string ManyDevices(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += Device(i, 4, "port " + std::to_string(i));
    }
    return text;
}

class PrinterRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakeui::Reset();
        g_state = STATE_OK;
        g_session = nullptr;
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
        BoundedCopy(g_model, MODEL_CHARS, "earlier model");
    }
    void TearDown() override {
        EXPECT_EQ(g_session, nullptr);
        g_rows = PrinterRows{};  // the poll cycle's other tests read rows 1
    }
    static fakeui::Dialog& Window() { return fakeui::W().dialogs[IDD_MONITOR]; }
    static int Requests(const PrinterSim& sim) {
        const std::string stats = sim.command("stats");  // "... requests=N ..."
        return std::stoi(stats.substr(stats.find("requests=") + 9));
    }
    const HWND dialog = fakeui::DialogHandle(IDD_MONITOR);
};

// The model query finds the rows and reads the model at the printer's device (sysDescr.0 without
// a device table); one poll cycle then reads the console, the page count and the toner there.
// A printer whose rows are 1 is read as it always was, at two requests more to find them; one
// with no supply rows is asked for no level and shows an empty bar. The walks are bounded. Each
// printer follows the one before as after Update Target: nothing of its rows is left over.
TEST_F(PrinterRowsTest, ModelAndCycleReadThePrintersOwnRows) {
    const struct {
        const char* name;
        std::string profile;
        bool modelRead;
        std::string model;
        int toFind;  // requests of the model query, rows and model together
        std::string console;
        std::string pages;
        int maximum, position;  // the toner bar after the cycle
        int perCycle;
    } cases[] = {
        {"rows at 1", Device(1, 5, "Model One") + Supply(1, 1, 3, 100, 62) + Panel(1, "Ready", 40),
         true, "Model One", 2 + 1, "Ready\r\n", "40", 100, 62, 13},
        {"printer device at 2",
         Device(1, 4, "Ethernet") + Device(2, 5, "Model Two") + Supply(2, 1, 3, 500, 125) +
             Panel(2, "Warming up", 41),
         true, "Model Two", 2 + 1 + 1, "Warming up\r\n", "41", 500, 125, 13},
        {"device 10, supplies from 2, a drum first",
         Device(1, 3, "CPU") + Device(3, 4, "Ethernet") + Device(10, 5, "Model Ten") +
             Supply(10, 2, 9, 60000, 100) + Supply(10, 3, 3, 8000, 2000) + Panel(10, "Sleep", 42),
         true, "Model Ten", 3 + 2 + 1, "Sleep\r\n", "42", 8000, 2000, 13},
        {"no Host Resources table", SYS_DESCR + Supply(1, 1, 3, 100, 30) + Panel(1, "Ready", 43),
         true, "Acme Print Server 5", 1 + 1 + 2, "Ready\r\n", "43", 100, 30, 13},
        {"no supply rows", Device(1, 5, "Model Bare") + Panel(1, "Ready", 44), true, "Model Bare",
         1 + 2 + 1, "Ready\r\n", "44", 0, 0, 11},
        {"levels without types", Device(1, 5, "Model Old") + Supply(1, 4, 0, 300, 150), true,
         "Model Old", 1 + 2 + 1, "", "earlier", 300, 150, 13},
        {"ink only: the first supply",
         Device(1, 5, "Model Ink") + Supply(1, 1, 6, 20, 5) + Supply(1, 2, 6, 20, 15), true,
         "Model Ink", 1 + 3 + 1, "", "earlier", 20, 5, 13},
        {"twenty devices, none a printer", ManyDevices(20) + Supply(1, 1, 3, 100, 80), true,
         "port 1", MAX_DEVICE_ROWS + 1 + 1, "", "earlier", 100, 80, 13},
        {"no model anywhere", Supply(1, 1, 3, 100, 90), false, "earlier model", 1 + 1 + 2, "",
         "earlier", 100, 90, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        PrinterSim sim(PrinterSim::Text(VENDOR + c.profile));
        ASSERT_TRUE(sim.ok()) << sim.error();
        BoundedCopy(g_target, TARGET_CHARS, sim.target().c_str());
        SetWatchedTarget(true, true);
        Window().texts[IDC_PAGECOUNT] = "earlier";

        EXPECT_EQ(QueryPrinterModel(), c.modelRead);
        EXPECT_EQ(g_model, c.model);
        EXPECT_EQ(Requests(sim), c.toFind);
        PollPrinterStatus(dialog);
        EXPECT_EQ(g_state, STATE_OK);
        const posixui::ProgressState& toner = Window().bars[IDC_TONER];
        EXPECT_EQ(std::tuple(Window().texts[IDC_PRIMARY], Window().texts[IDC_SECONDARY],
                             Window().texts[IDC_PAGECOUNT], toner.maximum, toner.position),
                  std::tuple("READY", c.console, c.pages, c.maximum, c.position));
        EXPECT_EQ(Requests(sim) - c.toFind, c.perCycle);
    }
}

}  // namespace
