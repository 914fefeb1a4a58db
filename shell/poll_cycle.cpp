// One status poll cycle: up to thirteen GETs through one session, each value delivered to its
// control as soon as it arrives; the objects are read at the printer's rows (g_rows).
#include "shell/poll_cycle.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "platform/snmpmgr/mgmtapi.h"
#include "platform/ui/ui.h"
#include "shell/object_text.h"
#include "shell/resources/resource.h"
#include "shell/window_oids.h"
#include "state/monitor_state.h"
#include "state/printer_rows.h"
#include "text/bounded_text.h"

namespace {

constexpr int ROW_PRIMARY = 0;
constexpr int ROW_LAST_CONSOLE_LINE = 8;
constexpr int ROW_PAGE_COUNT = 9;
constexpr int ROW_POWER_ON_COUNT = 10;
constexpr int ROW_TONER_CAPACITY = 11;
constexpr int ROW_TONER_LEVEL = 12;

constexpr int LINE_CHARS = 128;
constexpr int SECONDARY_CHARS = 1024;  // 7 lines of 127 + line ends + 127 always fit

// The working texts of one cycle. The secondary text is rebuilt from nothing every cycle.
struct CycleTexts {
    char primary[LINE_CHARS];  // also the scratch that gives each console line its line end
    char secondary[SECONDARY_CHARS];
    char pageCount[LINE_CHARS];
    char powerOnCount[LINE_CHARS];
};

// atoi's rules (white space, sign, digits up to the first other character, none gives 0), but
// defined for text out of range too: printers send what they like, and the platform runtime
// saturates there.
int DecimalToInt(const char* text) {
    const long long n = std::strtoll(text, nullptr, 10);
    if (n > INT_MAX) {
        return INT_MAX;
    }
    if (n < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(n);
}

// The bar's maximum. A positive capacity is taken in full with a 32-bit range, rather than cut
// to 16 bits, which showed large cartridges with a wrong bar. The Printer MIB's non-positive
// special values (-1 other, -2 unknown, -3 some remaining) keep their old 16-bit mapping,
// 65535, 65534 and 65533. Both go out as PBM_SETRANGE32, so front-ends need only that message
// from the cycle.
void SetTonerRange(HWND dialog, int capacity) {
    const LPARAM maximum = capacity > 0 ? static_cast<LPARAM>(capacity)
                                        : static_cast<LPARAM>(static_cast<WORD>(capacity & 0xFFFF));
    ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETRANGE32, 0, maximum);
}

// The position goes out whole; a negative level is sign-extended into wParam as a 32-bit
// program passes it, and front-ends read the low 32 bits of wParam as a signed int.
void SetTonerLevel(HWND dialog, int level) {
    ui::SendDlgItemMessageA(dialog, IDC_TONER, PBM_SETPOS,
                            static_cast<WPARAM>(static_cast<std::intptr_t>(level)), 0);
}

void DeliverRow(HWND dialog, int row, const char* value, CycleTexts* texts) {
    if (row == ROW_PRIMARY) {
        BoundedCopy(texts->primary, LINE_CHARS, value);
        ui::SetDlgItemTextA(dialog, IDC_PRIMARY, texts->primary);
    } else if (row < ROW_LAST_CONSOLE_LINE) {
        // Empty lines contribute nothing, not even a line end. The 128-character scratch cuts
        // long lines before their line end.
        if (value[0] != '\0') {
            BoundedFormat(texts->primary, LINE_CHARS, "%s\r\n", value);
            BoundedAppend(texts->secondary, SECONDARY_CHARS, texts->primary);
        }
        ui::SetDlgItemTextA(dialog, IDC_SECONDARY, texts->secondary);
    } else if (row == ROW_LAST_CONSOLE_LINE) {
        BoundedAppend(texts->secondary, SECONDARY_CHARS, value);
        ui::SetDlgItemTextA(dialog, IDC_SECONDARY, texts->secondary);
    } else if (row == ROW_PAGE_COUNT) {
        BoundedCopy(texts->pageCount, LINE_CHARS, value);
        ui::SetDlgItemTextA(dialog, IDC_PAGECOUNT, texts->pageCount);
    } else if (row == ROW_POWER_ON_COUNT) {
        BoundedCopy(texts->powerOnCount, LINE_CHARS, value);
        ui::SetDlgItemTextA(dialog, IDC_POWERON_COUNT, texts->powerOnCount);
    } else if (row == ROW_TONER_CAPACITY) {
        SetTonerRange(dialog, DecimalToInt(value));
    } else if (row == ROW_TONER_LEVEL) {
        SetTonerLevel(dialog, DecimalToInt(value));
    }
}

}  // namespace

void PollPrinterStatus(HWND dialog) {
    CycleTexts texts;
    texts.primary[0] = '\0';
    texts.secondary[0] = '\0';
    texts.pageCount[0] = '\0';
    texts.powerOnCount[0] = '\0';
    char value[OBJECT_TEXT_CHARS] = "";

    g_session = g_agent.usable
                    ? SnmpMgrOpenAgent(g_agent.address, g_community, SNMP_TIMEOUT_MS, SNMP_RETRIES)
                    : nullptr;
    if (g_session == nullptr) {
        // A cycle that cannot ask is a lost request: left in STATE_OK, the window would go on
        // showing the last values and the online icon while the real printer moves on.
        g_state = STATE_LOST;
        g_reason = REASON_NO_SESSION;
        return;
    }
    // Only a request without answer changes g_state, so the loop ends after row 12 or right
    // after the first lost request.
    for (int row = 0; row < STATUS_OID_COUNT && g_state == STATE_OK; ++row) {
        if (!g_rows.hasSupply && StatusOidTable[row].instance == StatusInstance::Supply) {
            // No supply to ask for: the bar is empty (range and position 0), not a level.
            DeliverRow(dialog, row, "0", &texts);
            continue;
        }
        AsnObjectIdentifier oid{0, nullptr};
        SnmpMgrStrToOid(StatusOidText(row, g_rows).c_str(), &oid);
        if (GetObjectText(&oid, value)) {
            DeliverRow(dialog, row, value, &texts);
        }
        // A lost request has released the identifier already and left it empty; releasing
        // an empty identifier does nothing, so each is released exactly once.
        SnmpUtilOidFree(&oid);
    }
    SnmpMgrClose(g_session);
    g_session = nullptr;
}
