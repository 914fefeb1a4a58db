// The record that re-adds the tray icon after the notification area is re-created must show
// the icon as it is now (later modifies applied), never repeat the balloon, and be gone after
// the delete.
#include "platform/ui/win32/tray_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

namespace {

const HWND WINDOW = reinterpret_cast<HWND>(1);

NOTIFYICONDATAA Record(UINT flags, std::uintptr_t icon, const char* tip = "") {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = WINDOW;
    record.uID = 500;
    record.uFlags = flags;
    record.hIcon = reinterpret_cast<HICON>(icon);
    std::strcpy(record.szTip, tip);
    return record;
}

TEST(TrayRecord, ReAddShowsTheIconAsLastShownWithoutTheBalloon) {
    ui::TrayMemory memory;
    NOTIFYICONDATAA out{};
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, WINDOW, &out)) << "nothing added yet";

    NOTIFYICONDATAA add = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO, 0x100, "Model");
    add.uCallbackMessage = 1234;
    std::strcpy(add.szInfo, "By Quillfen");
    std::strcpy(add.szInfoTitle, "Model");
    add.uTimeout = 10000;
    add.dwInfoFlags = NIIF_INFO;
    ui::TrayMemoryApply(memory, NIM_ADD, add);
    // As added, less the balloon: flags, texts, time-out and info flags.
    NOTIFYICONDATAA expected = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP, 0x100, "Model");
    expected.uCallbackMessage = 1234;
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, WINDOW, &out));
    const auto fields = [](const NOTIFYICONDATAA& r) {
        return std::tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon,
                          std::string(r.szTip), std::string(r.szInfo), std::string(r.szInfoTitle),
                          r.uTimeout, r.dwInfoFlags);
    };
    EXPECT_EQ(fields(out), fields(expected));
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, reinterpret_cast<HWND>(2), &out));

    // Unreachable: only the icon changes, the tip stays; then Update Target changes both.
    ui::TrayMemoryApply(memory, NIM_MODIFY, Record(NIF_ICON, 0x200));
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, WINDOW, &out));
    EXPECT_EQ(out.hIcon, reinterpret_cast<HICON>(0x200));
    EXPECT_STREQ(out.szTip, "Model");
    ui::TrayMemoryApply(memory, NIM_MODIFY, Record(NIF_ICON | NIF_TIP, 0x100, "Other"));
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, WINDOW, &out));
    EXPECT_EQ(out.hIcon, reinterpret_cast<HICON>(0x100));
    EXPECT_STREQ(out.szTip, "Other");
    EXPECT_EQ(out.uCallbackMessage, 1234u);

    // A modify or delete of some other icon changes nothing.
    NOTIFYICONDATAA stranger = Record(NIF_ICON, 0x300);
    stranger.uID = 7;
    ui::TrayMemoryApply(memory, NIM_MODIFY, stranger);
    ui::TrayMemoryApply(memory, NIM_DELETE, stranger);
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, WINDOW, &out));
    EXPECT_EQ(out.hIcon, reinterpret_cast<HICON>(0x100));

    // The delete at exit: nothing to restore any more, and a modify adds nothing.
    ui::TrayMemoryApply(memory, NIM_DELETE, Record(0, 0));
    ui::TrayMemoryApply(memory, NIM_MODIFY, Record(NIF_ICON, 0x200));
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, WINDOW, &out));
}

}  // namespace
