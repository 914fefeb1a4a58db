#include "platform/ui/tray_record.h"

#include <algorithm>
#include <cstring>

namespace ui {

BOOL TrayRecords::Apply(DWORD operation, const NOTIFYICONDATAA& record) {
    const auto found = std::find_if(icons_.begin(), icons_.end(), [&](const auto& icon) {
        return icon.hWnd == record.hWnd && icon.uID == record.uID;
    });
    if (operation == NIM_ADD) {
        if (found != icons_.end()) {
            return FALSE;
        }
        icons_.push_back(record);
        return TRUE;
    }
    if (found == icons_.end() || (operation != NIM_MODIFY && operation != NIM_DELETE)) {
        return FALSE;
    }
    if (operation == NIM_DELETE) {
        icons_.erase(found);
        return TRUE;
    }
    NOTIFYICONDATAA& kept = *found;
    if ((record.uFlags & NIF_MESSAGE) != 0) {
        kept.uCallbackMessage = record.uCallbackMessage;
    }
    if ((record.uFlags & NIF_ICON) != 0) {
        kept.hIcon = record.hIcon;
    }
    if ((record.uFlags & NIF_TIP) != 0) {
        std::memcpy(kept.szTip, record.szTip, sizeof kept.szTip);
    }
    if ((record.uFlags & NIF_INFO) != 0) {
        std::memcpy(kept.szInfo, record.szInfo, sizeof kept.szInfo);
        std::memcpy(kept.szInfoTitle, record.szInfoTitle, sizeof kept.szInfoTitle);
        kept.uTimeout = record.uTimeout;
        kept.dwInfoFlags = record.dwInfoFlags;
    }
    kept.uFlags |= record.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    return TRUE;
}

const NOTIFYICONDATAA* TrayRecords::Find(HWND window, UINT id) const {
    for (const NOTIFYICONDATAA& icon : icons_) {
        if (icon.hWnd == window && icon.uID == id) {
            return &icon;
        }
    }
    return nullptr;
}

const NOTIFYICONDATAA* TrayRecords::FirstOf(HWND window) const {
    for (const NOTIFYICONDATAA& icon : icons_) {
        if (icon.hWnd == window) {
            return &icon;
        }
    }
    return nullptr;
}

void TrayRecords::Forget(HWND window) {
    std::erase_if(icons_, [&](const NOTIFYICONDATAA& icon) { return icon.hWnd == window; });
}

bool ShowsBalloon(const NOTIFYICONDATAA& record) {
    return (record.uFlags & NIF_INFO) != 0 && record.szInfo[0] != '\0';
}

NOTIFYICONDATAA ReAddRecord(const NOTIFYICONDATAA& kept) {
    NOTIFYICONDATAA out = kept;
    out.uFlags &= ~static_cast<UINT>(NIF_INFO);
    std::memset(out.szInfo, 0, sizeof out.szInfo);
    std::memset(out.szInfoTitle, 0, sizeof out.szInfoTitle);
    out.uTimeout = 0;
    out.dwInfoFlags = 0;
    return out;
}

}  // namespace ui
