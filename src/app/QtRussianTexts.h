#pragma once
// Qt's own texts in Russian: the buttons of message boxes and dialogs, the context menus
// of text fields, the file dialog. Qt's translations (qtbase_ru.qm, Debian package
// qt6-translations-l10n, which the program's package recommends) are used when they are
// installed; the texts the program's windows show are also built in, so that they are
// Russian without that package too.

#include <QTranslator>

class QCoreApplication;

namespace ter5::app {

// The built-in Russian of Qt's texts, by English text (whatever Qt class asks).
class QtRussianTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
};

// Installs the built-in texts and, over them, Qt's translations where installed.
void InstallRussianTexts(QCoreApplication& application);

}  // namespace ter5::app
