#include "platform/ui/win32/tray_record.h"

#include <cstring>

namespace ui {

namespace {

bool SameIcon(const NOTIFYICONDATAA& a, const NOTIFYICONDATAA& b) {
    return a.hWnd == b.hWnd && a.uID == b.uID;
}

}  // namespace

void TrayMemoryApply(TrayMemory& memory, DWORD operation, const NOTIFYICONDATAA& record) {
    if (operation == NIM_ADD) {
        memory.present = true;
        memory.record = record;
        return;
    }
    if (!memory.present || !SameIcon(memory.record, record)) {
        return;
    }
    if (operation == NIM_DELETE) {
        memory = TrayMemory{};
        return;
    }
    if (operation != NIM_MODIFY) {
        return;
    }
    NOTIFYICONDATAA& kept = memory.record;
    if ((record.uFlags & NIF_MESSAGE) != 0) {
        kept.uCallbackMessage = record.uCallbackMessage;
    }
    if ((record.uFlags & NIF_ICON) != 0) {
        kept.hIcon = record.hIcon;
    }
    if ((record.uFlags & NIF_TIP) != 0) {
        std::memcpy(kept.szTip, record.szTip, sizeof(kept.szTip));
    }
    kept.uFlags |= record.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
}

bool TrayMemoryReAddRecord(const TrayMemory& memory, HWND window, NOTIFYICONDATAA* out) {
    if (!memory.present || memory.record.hWnd != window) {
        return false;
    }
    *out = memory.record;
    out->uFlags &= ~static_cast<UINT>(NIF_INFO);
    std::memset(out->szInfo, 0, sizeof(out->szInfo));
    std::memset(out->szInfoTitle, 0, sizeof(out->szInfoTitle));
    out->uTimeout = 0;
    out->dwInfoFlags = 0;
    return true;
}

}  // namespace ui
