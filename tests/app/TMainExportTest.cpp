// "Экспорт…" at the end of "Рисунок": the dialog's export of the open base, the summary
// message, the reference system remembered for the run, the error box with the export's
// message, and the message when no base is open.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "ModalSteps.h"
#include "base/widgets/DirectoryTree.h"

#ifdef TER5_HAVE_EXCHANGE
#include "exchange/widgets/ExportDialog.h"
#endif

namespace ter5::app {
namespace {

using testing::Message;

class ExportMenu : public ::testing::Test {
protected:
    ExportMenu() : f_(true, true), w_(*f_.window) {
        bases_ = f_.scratch.Make("bases");
        testing::WriteSampleBase(bases_ / "A");
    }

    void OpenBase() {
        base::DirectoryTree* tree = w_.DirectoryListBox1;
        tree->SetCurrentDirectory(QString::fromStdString(bases_.string()));
        const QRect item = tree->visualItemRect(tree->item(tree->FindItem(QStringLiteral("A"))));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, item.center());
        ASSERT_TRUE(w_.DM().BaseOpen());
    }

    testing::MainWindowFixture f_;
    TMain& w_;
    std::filesystem::path bases_;
};

TEST_F(ExportMenu, LastItemOfTheMapMenuAfterASeparator) {
    const QList<QAction*> items = w_.N10->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items.last(), w_.nExport);
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
    EXPECT_EQ(w_.nExport->text(), QStringLiteral("Экспорт…"));
#ifndef TER5_HAVE_EXCHANGE
    EXPECT_FALSE(w_.nExport->isEnabled());
#endif
}

#ifdef TER5_HAVE_EXCHANGE

using exchange::ExportDialog;

// Fills the dialog and presses "Экспорт".
testing::ModalStep Fill(const QString& file, const QString& crs) {
    return [file, crs](QWidget* modal) {
        auto* dialog = testing::ModalAs<ExportDialog>(modal);
        if (!dialog) return;
        dialog->FileEdit->setText(file);
        dialog->CrsBox->setEditText(crs);
        dialog->LayerSides->setChecked(true);
        dialog->Buttons->findChild<QPushButton*>(QStringLiteral("ExportButton"))->click();
    };
}

TEST_F(ExportMenu, ExportsTheOpenBaseAndRemembersTheReferenceSystem) {
    OpenBase();
    const QString file = QString::fromStdString((f_.scratch.Path() / "участки.gpkg").string());
    testing::RunWithModalSteps({Fill(file, QStringLiteral("EPSG:28404"))}, [&] { w_.nExport->trigger(); });
    EXPECT_TRUE(std::filesystem::exists(f_.scratch.Path() / "участки.gpkg"));
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    const Message& done = f_.messenger.messages[0];
    EXPECT_EQ(done.kind, Message::Plain);
    EXPECT_TRUE(done.text.startsWith(QStringLiteral("Экспорт завершён.")));
    EXPECT_TRUE(done.text.contains(QStringLiteral("участки.gpkg — участки: 3"))) << done.text.toStdString();
    EXPECT_TRUE(done.text.contains(QStringLiteral("участки.gpkg — владельцы: 5"))) << done.text.toStdString();

    // Opened again, the dialog offers the reference system of the last export.
    testing::RunWithModalSteps({[](QWidget* modal) {
                                   auto* dialog = testing::ModalAs<ExportDialog>(modal);
                                   if (!dialog) return;
                                   EXPECT_EQ(dialog->CrsBox->count(), 1);
                                   EXPECT_EQ(dialog->CrsBox->itemText(0), QStringLiteral("EPSG:28404"));
                                   dialog->reject();
                               }},
                               [&] { w_.nExport->trigger(); });
}

TEST_F(ExportMenu, AFailureGoesToTheErrorBox) {
    OpenBase();
    const QString file = QString::fromStdString((f_.scratch.Path() / "missing" / "x.gpkg").string());
    testing::RunWithModalSteps({Fill(file, QString())}, [&] { w_.nExport->trigger(); });
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_EQ(f_.messenger.messages[0].kind, Message::Error);
    EXPECT_TRUE(f_.messenger.messages[0].text.contains(QStringLiteral("папка не существует")));
}

TEST_F(ExportMenu, NoBaseOpen) {
    w_.nExport->trigger();
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_TRUE(f_.messenger.messages[0].text.startsWith(QStringLiteral("Не открыта база")));
}

#endif

}  // namespace
}  // namespace ter5::app
