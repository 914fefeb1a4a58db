// The tray bookkeeping follows the Shell: an add of a present icon, a modify or delete of an
// absent one fail; a modify changes only the fields its flags name; the record that adds an
// icon again shows it as it is now, without repeating the balloon.
#include "platform/ui/tray_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const HWND WINDOW = reinterpret_cast<HWND>(1);

NOTIFYICONDATAA Record(UINT flags, std::uintptr_t icon, const char* tip = "", UINT id = 500) {
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);  // the bytes between the fields too
    record.hWnd = WINDOW;
    record.uID = id;
    record.uFlags = flags;
    record.hIcon = reinterpret_cast<HICON>(icon);
    std::strcpy(record.szTip, tip);
    return record;
}

TEST(TrayRecords, FollowTheShellAndReAddWithoutTheBalloon) {
    ui::TrayRecords tray;
    NOTIFYICONDATAA add = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO, 0x100, "Model");
    add.uCallbackMessage = 1234;
    std::strcpy(add.szInfo, "By Quillfen");
    add.uTimeout = 10000;
    EXPECT_TRUE(ui::ShowsBalloon(add));
    EXPECT_FALSE(ui::ShowsBalloon(Record(NIF_INFO, 0))) << "a balloon needs a text";
    EXPECT_TRUE(tray.Apply(NIM_ADD, add));
    EXPECT_FALSE(tray.Apply(NIM_ADD, add)) << "an icon is added once";

    // Only the icon changes, the tip stays; some other icon is not there to change.
    EXPECT_TRUE(tray.Apply(NIM_MODIFY, Record(NIF_ICON, 0x200, "ignored")));
    EXPECT_FALSE(tray.Apply(NIM_MODIFY, Record(NIF_ICON, 0x300, "", 7)));
    EXPECT_FALSE(tray.Apply(NIM_DELETE, Record(0, 0, "", 7)));
    NOTIFYICONDATAA again;
    std::memcpy(&again, &add, sizeof add);
    again.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    again.hIcon = reinterpret_cast<HICON>(0x200);
    std::memset(again.szInfo, 0, sizeof again.szInfo);
    again.uTimeout = 0;
    const NOTIFYICONDATAA reAdd = ui::ReAddRecord(*tray.FirstOf(WINDOW));
    EXPECT_EQ(std::memcmp(&reAdd, &again, sizeof again), 0);

    // The delete at exit: nothing to change any more; a window going away takes its icons.
    EXPECT_TRUE(tray.Apply(NIM_DELETE, Record(0, 0)));
    EXPECT_FALSE(tray.Apply(NIM_MODIFY, Record(NIF_ICON, 0x200)));
    tray.Apply(NIM_ADD, add);
    tray.Forget(WINDOW);
    EXPECT_EQ(tray.Find(WINDOW, 500), nullptr);
}

}  // namespace
