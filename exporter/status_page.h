// The status page: one self-contained HTML document (inline CSS, no script, no external asset)
// with one row per configured printer: name, model, health and its reasons, a bar per supply
// in its colorant's colour with its percent, trays, alerts and when it last answered. Reloads
// itself every 30 s; laid out for a phone as well as a desktop. Every text from a printer or the
// configuration is HTML-escaped: printer text cannot add markup.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/status_cache.h"

namespace exporter {

std::string RenderStatusPage(const std::vector<PrinterView>& printers,
                             std::chrono::system_clock::time_point now);

// A printer's text made safe for the page: the printable rule (text/printable_text.h), then
// &, <, >, " and ' escaped, for text and attribute values.
std::string HtmlEscape(std::string_view text);

// The CSS colour of a supply bar for its colorant's name ("black", "Cyan", "photo magenta",
// ...); a neutral grey for names it does not know.
const char* ColorantCss(std::string_view colour);

}  // namespace exporter
