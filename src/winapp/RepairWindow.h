#pragma once
// The window "Проверка и восстановление базы" as a Win32 window: the tables of the
// selected directory with their states (damaged ones in red), the template group whose
// table templates stand for an unreadable header, the buttons "Проверить",
// "Восстановить повреждённые" and "Закрыть", and the report. What is checked and
// repaired, and every text, is RepairWindowSteps'. Created on first use and kept.

#include <windows.h>

#include <filesystem>
#include <vector>

#include "templates/RepairWindowSteps.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

class RepairWindow {
public:
    // The store and the host must outlive the window.
    RepairWindow(templates::TemplateStore& store, templates::ReindexHost& host);
    ~RepairWindow();
    RepairWindow(const RepairWindow&) = delete;
    RepairWindow& operator=(const RepairWindow&) = delete;

    // Shows the tables of `directory` modally over `owner` until the window is closed.
    void ShowFor(HWND owner, const std::filesystem::path& directory);
    HWND Handle() const { return hwnd_; }

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Create(HWND owner);
    void Layout();
    void CheckTables();
    void RepairDamaged();

    templates::TemplateStore& store_;
    templates::ReindexHost& host_;
    std::filesystem::path directory_;
    std::vector<templates::TableState> states_;
    HWND hwnd_ = nullptr;
};

}  // namespace ter5::winapp
