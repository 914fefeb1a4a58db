// The details window: the printer's whole condition as the status window's watcher last read
// it, in the controls of IDD_DETAILS.
#include <cstddef>

#include "condition/details_text.h"
#include "platform/ui/ui.h"
#include "shell/condition_watch.h"
#include "shell/dialogs.h"
#include "shell/resources/resource.h"

namespace {

constexpr int BAR_MAX = 100;

void ShowControl(HWND dialog, int id, bool shown) {
    ui::ShowWindow(ui::GetDlgItem(dialog, id), shown ? SW_SHOWNORMAL : SW_HIDE);
}

void ShowSupplyRow(HWND dialog, int row, const condition::SupplyRow* supply) {
    const int name = IDC_DETAILS_SUPPLY_NAME + row;
    const int bar = IDC_DETAILS_SUPPLY_BAR + row;
    const int level = IDC_DETAILS_SUPPLY_LEVEL + row;
    ShowControl(dialog, name, supply != nullptr);
    ShowControl(dialog, bar, supply != nullptr && supply->bar);
    ShowControl(dialog, level, supply != nullptr && supply->bar);
    if (supply == nullptr) {
        return;
    }
    ui::SetDlgItemTextA(dialog, name, supply->name.c_str());
    ui::SetDlgItemTextA(dialog, level, supply->level.c_str());
    ui::SendDlgItemMessageA(dialog, bar, PBM_SETRANGE, 0, MAKELPARAM(0, BAR_MAX));
    ui::SendDlgItemMessageA(dialog, bar, PBM_SETPOS, static_cast<WPARAM>(supply->percent), 0);
    ui::SendDlgItemMessageA(dialog, bar, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(supply->colour));
}

// Every control from the last reading; before the first, empty fields and "Reading...".
void ShowCondition(HWND dialog) {
    const condition::Condition* last = watch::LastReading();
    const condition::DetailsTexts texts =
        last != nullptr ? condition::DetailsFor(*last) : condition::DetailsTexts{};
    const struct {
        int id;
        const std::string& text;
    } fields[] = {
        {IDC_DETAILS_HEALTH, texts.health}, {IDC_DETAILS_REASONS, texts.reasons},
        {IDC_DETAILS_DEVICE, texts.device}, {IDC_DETAILS_PRINTER, texts.printer},
        {IDC_DETAILS_SERIAL, texts.serial}, {IDC_DETAILS_TRAYS, texts.trays},
        {IDC_DETAILS_ALERTS, texts.alerts}, {IDC_DETAILS_PAGES, texts.pages},
    };
    for (const auto& field : fields) {
        ui::SetDlgItemTextA(dialog, field.id, field.text.c_str());
    }
    for (int row = 0; row < DETAILS_SUPPLY_ROWS; ++row) {
        const auto index = static_cast<std::size_t>(row);
        ShowSupplyRow(dialog, row,
                      index < texts.supplies.size() ? &texts.supplies[index] : nullptr);
    }
    ui::SetDlgItemTextA(dialog, IDC_DETAILS_READ_AT, watch::ReadAtText().c_str());
}

}  // namespace

INT_PTR CALLBACK DetailsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            ShowCondition(dialog);
            // Reads at once: the reading's end refreshes the window.
            watch::DetailsOpened(dialog);
            break;
        case WM_CONDITION_READ:
            ShowCondition(dialog);
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                watch::DetailsClosed(dialog);
                ui::EndDialog(dialog, 0);
            }
            break;
        default:
            break;
    }
    return 0;
}
