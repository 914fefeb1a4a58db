// Finding the printer's rows once, when the target is set: its device in the Host Resources
// device table and the marker supply the toner bar shows, walked with GETNEXT through g_session.
#pragma once

#include <cstdint>

// The most rows each walk reads: a printer's device table and supply rows are short, and a
// printer never costs more than MAX_DEVICE_ROWS + MAX_SUPPLY_ROWS + 1 requests to find.
inline constexpr int MAX_DEVICE_ROWS = 16;
inline constexpr int MAX_SUPPLY_ROWS = 8;

// Sets g_rows through g_session (which must be open): the device is the first whose
// hrDeviceType is hrDevicePrinter (device 1 when none is, or the agent has no device table);
// the supply is the device's first toner row, else its first supply row, and when the agent
// lists no supply types its first level. A printer whose device is 1 and whose first supply is
// its toner costs two requests.
// Returns false when a request got no answer: g_state is then STATE_LOST (and g_reason
// REASON_TIMEOUT), nothing more is sent and g_rows is as before the walk.
bool FindPrinterRows();
