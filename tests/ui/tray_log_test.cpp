// The Win32 layer's tray log is how the wine tests learn a balloon's title and icon: a call
// must read back with its texts as given (line breaks, tabs and backslashes included, fields
// filled to the last byte without a terminator), and a line that is not one of the log's must
// not read as a call.
#include "platform/ui/win32/tray_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct RoundTrip {
    const char* name;
    DWORD operation;
    UINT flags;
    DWORD infoFlags;
    std::string title;
    std::string text;
};

TEST(TrayLog, CallsReadBackAsGiven) {
    const RoundTrip rows[] = {
        {"plain balloon", NIM_MODIFY, NIF_INFO, 3, "HP Color LaserJet Monitor", "Paper jam"},
        {"several at once", NIM_MODIFY, NIF_INFO, 2, "Monitor",
         "Toner low: Yellow 5%\r\nDoor open"},
        {"tab and backslash", NIM_ADD, NIF_INFO | NIF_TIP, 1, "a\tb", "C:\\path\\n not a break"},
        {"no balloon", NIM_DELETE, 0, 0, "", ""},
        {"full fields", NIM_MODIFY, NIF_INFO, 1, std::string(64, 'T'), std::string(256, 'x')},
    };
    for (const RoundTrip& row : rows) {
        NOTIFYICONDATAA record;
        std::memset(&record, 0, sizeof record);
        record.uID = 500;
        record.uFlags = row.flags;
        record.dwInfoFlags = row.infoFlags;
        record.uTimeout = 10000;
        std::memcpy(record.szInfoTitle, row.title.data(), row.title.size());
        std::memcpy(record.szInfo, row.text.data(), row.text.size());
        const std::string line = ui::TrayLogLine(row.operation, record);
        ASSERT_EQ(line.back(), '\n') << row.name;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << row.name << ": one line per call";
        ui::TrayLogEntry entry;
        ASSERT_TRUE(ui::ParseTrayLogLine(line.substr(0, line.size() - 1), &entry)) << row.name;
        EXPECT_EQ(entry.operation, row.operation) << row.name;
        EXPECT_EQ(entry.id, 500u) << row.name;
        EXPECT_EQ(entry.flags, row.flags) << row.name;
        EXPECT_EQ(entry.infoFlags, row.infoFlags) << row.name;
        EXPECT_EQ(entry.timeout, 10000u) << row.name;
        EXPECT_EQ(entry.title, row.title) << row.name;
        EXPECT_EQ(entry.text, row.text) << row.name;
    }
}

TEST(TrayLog, OtherLinesAreRefused) {
    const struct {
        const char* name;
        const char* line;
    } rows[] = {
        {"empty", ""},
        {"a field short", "1\t500\t16\t3\t10000\ttitle"},
        {"a field more", "1\t500\t16\t3\t10000\ttitle\ttext\textra"},
        {"not a number", "1\t500\tNIF_INFO\t3\t10000\ttitle\ttext"},
        {"empty number", "1\t\t16\t3\t10000\ttitle\ttext"},
        {"unknown escape", "1\t500\t16\t3\t10000\ttitle\tjam\\x"},
        {"cut escape", "1\t500\t16\t3\t10000\ttitle\tjam\\"},
    };
    for (const auto& row : rows) {
        ui::TrayLogEntry entry;
        EXPECT_FALSE(ui::ParseTrayLogLine(row.line, &entry)) << row.name;
    }
}

}  // namespace
