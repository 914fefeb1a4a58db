// The record that re-adds the tray icon after the notification area is re-created must show
// the icon as it is now (later modifies applied), never repeat the balloon, and be gone after
// the delete.
#include "platform/ui/win32/tray_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

HWND Window(std::uintptr_t n) {
    return reinterpret_cast<HWND>(n);
}
HICON Icon(std::uintptr_t n) {
    return reinterpret_cast<HICON>(n);
}

NOTIFYICONDATAA Record(HWND window, UINT flags) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = window;
    record.uID = 500;
    record.uFlags = flags;
    return record;
}

NOTIFYICONDATAA Added(HWND window) {
    NOTIFYICONDATAA add = Record(window, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    add.uCallbackMessage = 1234;
    add.hIcon = Icon(0x100);
    std::strcpy(add.szTip, "Model Monitor");
    std::strcpy(add.szInfo, "By Quillfen");
    std::strcpy(add.szInfoTitle, "Model Monitor");
    add.uTimeout = 10000;
    add.dwInfoFlags = NIIF_INFO;
    return add;
}

TEST(TrayRecord, ReAddShowsTheIconAsLastShownWithoutTheBalloon) {
    ui::TrayMemory memory;
    NOTIFYICONDATAA out{};
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, Window(1), &out)) << "nothing added yet";

    ui::TrayMemoryApply(memory, NIM_ADD, Added(Window(1)));
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, Window(1), &out));
    EXPECT_EQ(out.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(out.cbSize, NOTIFYICONDATAA_V3_SIZE);
    EXPECT_EQ(out.uID, 500u);
    EXPECT_EQ(out.uCallbackMessage, 1234u);
    EXPECT_EQ(out.hIcon, Icon(0x100));
    EXPECT_STREQ(out.szTip, "Model Monitor");
    EXPECT_STREQ(out.szInfo, "");
    EXPECT_STREQ(out.szInfoTitle, "");
    EXPECT_EQ(out.uTimeout, 0u);
    EXPECT_EQ(out.dwInfoFlags, 0u);
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, Window(2), &out)) << "another window";

    // Unreachable: only the icon changes; the tip stays.
    NOTIFYICONDATAA offline = Record(Window(1), NIF_ICON);
    offline.hIcon = Icon(0x200);
    ui::TrayMemoryApply(memory, NIM_MODIFY, offline);
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, Window(1), &out));
    EXPECT_EQ(out.hIcon, Icon(0x200));
    EXPECT_STREQ(out.szTip, "Model Monitor");
    EXPECT_EQ(out.uCallbackMessage, 1234u);

    // Update Target: icon and tip change together.
    NOTIFYICONDATAA online = Record(Window(1), NIF_ICON | NIF_TIP);
    online.hIcon = Icon(0x100);
    std::strcpy(online.szTip, "Other Monitor");
    ui::TrayMemoryApply(memory, NIM_MODIFY, online);
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, Window(1), &out));
    EXPECT_EQ(out.hIcon, Icon(0x100));
    EXPECT_STREQ(out.szTip, "Other Monitor");

    // A modify or delete of some other icon changes nothing.
    NOTIFYICONDATAA stranger = Record(Window(1), NIF_ICON);
    stranger.uID = 7;
    stranger.hIcon = Icon(0x300);
    ui::TrayMemoryApply(memory, NIM_MODIFY, stranger);
    ui::TrayMemoryApply(memory, NIM_DELETE, stranger);
    ASSERT_TRUE(ui::TrayMemoryReAddRecord(memory, Window(1), &out));
    EXPECT_EQ(out.hIcon, Icon(0x100));

    // The delete at exit: nothing to restore any more.
    ui::TrayMemoryApply(memory, NIM_DELETE, Record(Window(1), 0));
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, Window(1), &out));
    ui::TrayMemoryApply(memory, NIM_MODIFY, offline);
    EXPECT_FALSE(ui::TrayMemoryReAddRecord(memory, Window(1), &out)) << "modify adds nothing";
}

}  // namespace
