// The status page: one self-contained HTML document (inline CSS and a small inline script, no
// external asset, nothing fetched). The fleet view is a compact table, one row a printer, those
// that need attention first (unreachable, critical, warning, then ok), under a count of each
// health, with a filter by health and by text that works as a plain GET form and, with the
// script, live. `?printer=TARGET` shows one printer's card: supplies, trays, alerts, console.
// Reloads itself every 30 s; laid out for a phone as well as a desktop. Every text from a
// printer or the configuration is HTML-escaped: printer text cannot add markup.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/page_words.h"
#include "exporter/status_cache.h"

namespace exporter {

// What the page was asked for: its GET parameters.
struct PageQuery {
    std::string health;   // "", "attention", "unreachable", "critical", "warning", "ok"
    std::string text;     // shown rows contain it (name, address, model, reasons, ...)
    std::string printer;  // a configured target: that printer's card instead of the table
};

// The page for `query`; none when it asks for a printer the configuration does not list.
std::optional<std::string> RenderStatusPage(const std::vector<PrinterView>& printers,
                                            std::chrono::system_clock::time_point now,
                                            const PageQuery& query = {});

// A printer's text made safe for the page: the printable rule (text/printable_text.h), then
// &, <, >, " and ' escaped, for text and attribute values.
std::string HtmlEscape(std::string_view text);

// The CSS colour of a supply bar for its colorant's name ("black", "Cyan", "photo magenta",
// ...); a neutral grey for names it does not know.
const char* ColorantCss(std::string_view colour);

}  // namespace exporter
