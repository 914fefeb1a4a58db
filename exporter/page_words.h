// What the status page says of one printer, in its table and in its card alike: what it is
// called, its health as a word, its reasons in words, and times as people read them.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "exporter/reason_words.h"
#include "exporter/status_cache.h"

namespace exporter {

// What a printer is called on the page: its configured name, else its sysName, else its target.
std::string PrinterName(const PrinterView& view);

// "unreachable", "critical", "warning", "ok", or "unknown" until it was first read.
const char* PageHealth(const PrinterView& view);

// Its reasons in words (ReadableReasons), and the reading's error when no reason says it.
std::vector<ReasonWords> PageReasons(const PrinterView& view);

// "2026-12-07 11:32:45 UTC"; "7 s ago", "3 min ago", "5 h ago".
std::string TimeText(std::chrono::system_clock::time_point when);
std::string AgeText(std::chrono::system_clock::duration age);

}  // namespace exporter
