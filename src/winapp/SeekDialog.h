#pragma once
// The search dialog `TSeekRecord` "Поиск по фамилии и адресу" as a Win32 window: one
// radio button per kind of search with its entry field(s), the buttons "&Найти",
// "&Найти далее" and "&Отменить", and a status strip. What it does and shows is
// search::SeekDialogSteps'; this class only draws it and turns its messages into steps.
//
// The main window creates it on first use and keeps it for the run: hidden between
// showings, it keeps its texts, its radio choice, the hit list and its place on the
// screen. Shown modally; "Продолжение поиска" steps on while it is hidden.

#include <windows.h>

#include <functional>
#include <optional>

#include "search/SeekDialogSteps.h"
#include "winapp/CommandIds.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

class SeekDialog {
public:
    // Where the dialog's frame goes when it is first shown, from the frame's size.
    using Placement = std::function<POINT(SIZE)>;

    // The host is not owned and must outlive the dialog.
    explicit SeekDialog(search::SearchHost& host);
    ~SeekDialog();
    SeekDialog(const SeekDialog&) = delete;
    SeekDialog& operator=(const SeekDialog&) = delete;

    // `nSeekClick`: shows the dialog modally over `owner` until it is closed; the
    // first time where `placement` says, later where it was last.
    void ShowModal(HWND owner, const Placement& placement);
    // `nSeekNextClick` with the dialog created: find-next enabled as the steps say,
    // then its step, without showing the dialog.
    void FindNextCommand();

    search::SeekDialogSteps& Steps() { return steps_; }
    HWND Handle() const { return hwnd_; }

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);

    void Create(HWND owner);
    void CreateControls();
    void Control(int id, int code);
    // `SpeedButton3Click`: the search, its errors shown over the dialog.
    void Find();
    // `FindNextClick`.
    void FindNext();
    void Close();
    // `FormActivate` and after each search: find-next and the status strip.
    void ShowSteps();
    std::size_t CheckedRadio() const;
    // Runs a step; an error is shown in the texts the main window uses, over the dialog.
    template <typename F>
    void Guarded(F&& step);

    search::SeekDialogSteps steps_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    bool shown_ = false;          // inside ShowModal
    HWND lastFocus_ = nullptr;    // the control with the focus when last hidden
    std::optional<POINT> place_;  // where it was when last hidden
};

}  // namespace ter5::winapp
