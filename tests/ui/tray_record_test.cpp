// The tray bookkeeping follows the Shell: an add of a present icon, a modify or delete of an
// absent one fail; a modify changes only the fields its flags name; the record that adds an
// icon again shows it as it is now, without repeating the balloon.
#include "platform/ui/tray_record.h"

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

auto Fields(const NOTIFYICONDATAA& r) {
    return std::tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon,
                      std::string(r.szTip), std::string(r.szInfo), std::string(r.szInfoTitle),
                      r.uTimeout, r.dwInfoFlags);
}

TEST(TrayRecords, FollowTheShellAndReAddWithoutTheBalloon) {
    ui::TrayRecords tray;
    EXPECT_EQ(tray.Apply(NIM_MODIFY, Record(NIF_ICON, 0x100)), FALSE) << "nothing added yet";
    EXPECT_EQ(tray.FirstOf(WINDOW), nullptr);

    NOTIFYICONDATAA add = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO, 0x100, "Model");
    add.uCallbackMessage = 1234;
    std::strcpy(add.szInfo, "By Quillfen");
    std::memset(add.szInfoTitle, 'T', sizeof add.szInfoTitle);  // no terminator in the field
    add.uTimeout = 10000;
    add.dwInfoFlags = NIIF_INFO;
    EXPECT_TRUE(ui::ShowsBalloon(add));
    EXPECT_EQ(tray.Apply(NIM_ADD, add), TRUE);
    EXPECT_EQ(tray.Apply(NIM_ADD, add), FALSE) << "an icon is added once";

    // As added, less the balloon: flags, texts, time-out and info flags.
    NOTIFYICONDATAA expected = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP, 0x100, "Model");
    expected.uCallbackMessage = 1234;
    EXPECT_EQ(Fields(ui::ReAddRecord(*tray.FirstOf(WINDOW))), Fields(expected));

    // Unreachable: only the icon changes, the tip stays; then Update Target changes both.
    EXPECT_EQ(tray.Apply(NIM_MODIFY, Record(NIF_ICON, 0x200)), TRUE);
    EXPECT_EQ(tray.Find(WINDOW, 500)->hIcon, reinterpret_cast<HICON>(0x200));
    EXPECT_STREQ(tray.Find(WINDOW, 500)->szTip, "Model");
    EXPECT_FALSE(ui::ShowsBalloon(Record(NIF_INFO, 0)));  // a balloon needs a text
    tray.Apply(NIM_MODIFY, Record(NIF_ICON | NIF_TIP, 0x100, "Other"));
    const NOTIFYICONDATAA again = ui::ReAddRecord(*tray.FirstOf(WINDOW));
    EXPECT_EQ(again.hIcon, reinterpret_cast<HICON>(0x100));
    EXPECT_STREQ(again.szTip, "Other");
    EXPECT_EQ(again.uCallbackMessage, 1234u);

    // A modify or delete of some other icon changes nothing and fails.
    NOTIFYICONDATAA stranger = Record(NIF_ICON, 0x300);
    stranger.uID = 7;
    EXPECT_EQ(tray.Apply(NIM_MODIFY, stranger), FALSE);
    EXPECT_EQ(tray.Apply(NIM_DELETE, stranger), FALSE);
    EXPECT_EQ(tray.FirstOf(WINDOW)->hIcon, reinterpret_cast<HICON>(0x100));

    // The delete at exit: nothing to restore any more, and a modify adds nothing.
    EXPECT_EQ(tray.Apply(NIM_DELETE, Record(0, 0)), TRUE);
    EXPECT_EQ(tray.Apply(NIM_MODIFY, Record(NIF_ICON, 0x200)), FALSE);
    EXPECT_EQ(tray.FirstOf(WINDOW), nullptr);
    tray.Apply(NIM_ADD, add);
    tray.Forget(WINDOW);
    EXPECT_EQ(tray.Find(WINDOW, 500), nullptr);
}

}  // namespace
