#pragma once
// What the widget tests share: a messenger recording the message boxes, a main
// window on a scratch start-up directory with a platform of its own, and a way to
// answer the modal dialogs a command opens.

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "../base/BaseFixtures.h"
#include "app/TMain.h"
#include "base/LinuxPlatform.h"
#include "base/widgets/Messenger.h"

namespace ter5::testing {

struct Message {
    enum Kind { Plain, Error, Warning, Confirm, Question } kind;
    QString text;
    bool operator==(const Message&) const = default;
};

class RecordingMessenger : public base::Messenger {
public:
    RecordingMessenger() { Install(this); }
    ~RecordingMessenger() override { Install(nullptr); }

    void ShowMessage(QWidget*, const QString& text) override { messages.push_back({Message::Plain, text}); }
    void ShowError(QWidget*, const QString& text) override { messages.push_back({Message::Error, text}); }
    void Warning(QWidget*, const QString& text) override { messages.push_back({Message::Warning, text}); }
    bool ConfirmWarning(QWidget*, const QString& text) override {
        messages.push_back({Message::Confirm, text});
        return confirm;
    }
    bool Ask(QWidget*, const QString& text, const QString&) override {
        messages.push_back({Message::Question, text});
        return confirm;
    }

    std::vector<Message> messages;
    bool confirm = true;
};

// Runs `answer` on the next modal window once `action` has opened it.
inline void AnswerModal(const std::function<void(QWidget*)>& answer, const std::function<void()>& action) {
    QTimer::singleShot(0, [answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) answer(modal);
    });
    action();
}

// A main window started in a scratch directory holding the template tables, with
// the companion program's Wine prefix and settings file inside that directory.
struct MainWindowFixture {
    explicit MainWindowFixture(bool trayAvailable = true, bool showAtStart = false, bool templates = true,
                               bool offerDemoBase = false);

    ScratchDir scratch;
    CurrentDirectoryGuard directoryGuard;
    RecordingMessenger messenger;
    base::LinuxPlatform::Options platformOptions;
    std::unique_ptr<app::TMain> window;
};

}  // namespace ter5::testing
