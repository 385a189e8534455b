#pragma once
// An edit dialog of the template windows as a Win32 window: the labelled edit boxes and
// radio groups of a TemplateEditLayout over the current row of one template table, and
// the buttons "Сохранить" and "Отменить". The list window puts the row into editing (or
// starts a new one) before showing it.
//
// "Сохранить" puts the typed values into the row, refreshes the table (a changed row is
// posted, an unchanged one dropped) and flushes it; "Отменить" drops the row; the close
// box and Escape keep what was typed in the pending row. An engine error is shown and
// keeps the dialog open with the row pending. Created on first use and kept.

#include <windows.h>

#include <vector>

#include "base/BaseQuery.h"
#include "templates/TemplateListRules.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

class TemplateEditDialog {
public:
    // `table` and `layout` must outlive the dialog.
    TemplateEditDialog(base::BaseTable& table, const templates::TemplateEditLayout& layout);
    ~TemplateEditDialog();
    TemplateEditDialog(const TemplateEditDialog&) = delete;
    TemplateEditDialog& operator=(const TemplateEditDialog&) = delete;

    // Shows the current row's values modally over `owner` until the dialog is closed.
    void ShowModal(HWND owner);
    HWND Handle() const { return hwnd_; }

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Create(HWND owner);
    void Load();
    // The typed values into the row; false (the error shown) when one cannot be stored.
    bool Commit();
    void Save();
    void Discard();
    void CloseKeepingRow();

    base::BaseTable& table_;
    const templates::TemplateEditLayout& layout_;
    HWND hwnd_ = nullptr;
    std::vector<templates::TypedText> texts_;
    std::vector<templates::TypedChoice> choices_;
};

}  // namespace ter5::winapp
