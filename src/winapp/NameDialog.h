#pragma once
// The name dialog `TNewForm` as a small modal window: a prompt line and one edit
// field, `Edit1`. The caller sets the caption and the prompt (and the text, if it
// wants); Enter answers "Ok", Escape or the close box "Cancel". Created on first use
// and kept, so the field keeps the last text typed. As wide as its caption needs.

#include <windows.h>

#include <optional>
#include <string>

#include "winapp/WindowClass.h"

namespace ter5::winapp {

class NameDialog {
public:
    NameDialog() = default;
    ~NameDialog();
    NameDialog(const NameDialog&) = delete;
    NameDialog& operator=(const NameDialog&) = delete;

    HWND Handle() const { return hwnd_; }
    // Shows the dialog modally over `owner`, centred on it. The field shows `text`
    // when given, else the text typed last. The text when the user confirmed with
    // Enter; nothing for Escape or the close box.
    std::optional<std::string> Ask(HWND owner, const std::string& caption, const std::string& prompt,
                                   const std::optional<std::string>& text);

private:
    // Sizes the window for its caption and prompt and centres it on `owner`.
    void Fit(HWND owner);
    // Ends the dialog with "Ok" or "Cancel".
    void Finish(bool ok);

    void Create(HWND owner);
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND prompt_ = nullptr;
    HWND edit_ = nullptr;
    bool ok_ = false;
};

}  // namespace ter5::winapp
