// The tree's directory commands through the Qt name dialog, tree and message boxes
// (their steps are tested without a toolkit in the base suite), and the drive box.

#include "base/widgets/DirectoryCommands.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "AppTestSupport.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/TNewForm.h"

namespace ter5::base {
namespace {

using testing::AnswerModal;
using testing::Message;

// Types `text` into the name dialog and ends it with `key` (Enter or Escape).
std::function<void(QWidget*)> Type(const QString& text, Qt::Key key = Qt::Key_Return) {
    return [text, key](QWidget* modal) {
        auto* form = qobject_cast<TNewForm*>(modal);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Каталог"));
        // Wide enough for its caption on a title bar and for its prompt.
        EXPECT_FALSE(form->Prompt()->text().isEmpty());
        EXPECT_GE(form->width(), form->fontMetrics().horizontalAdvance(form->windowTitle()) + 100);
        EXPECT_GE(form->width(), form->Prompt()->sizeHint().width());
        EXPECT_TRUE(form->Edit1()->hasFocus() || !form->isActiveWindow());
        form->Edit1()->setText(text);
        QTest::keyClick(form->Edit1(), key);
        if (form->isVisible()) form->reject();
    };
}

class DirectoryCommandsTest : public ::testing::Test {
protected:
    DirectoryCommandsTest()
        : commands_(&tree_, [this] { ++closed_; }, [this] { return &form_; }) {
        root_ = QString::fromStdString(scratch_.Str());
        scratch_.Make("A");
        scratch_.Make("B/inner");
        scratch_.Make("C");
        tree_.SetCurrentDirectory(root_);
    }

    QString Path(const QString& name) const { return root_ + QLatin1Char('/') + name; }
    QString Selected() const { return tree_.currentItem() ? tree_.currentItem()->text() : QString(); }
    void Select(const QString& name) { tree_.SelectIndex(tree_.FindItem(name)); }

    testing::ScratchDir scratch_;
    testing::CurrentDirectoryGuard guard_;
    testing::RecordingMessenger messenger_;
    DirectoryTree tree_;
    TNewForm form_;
    int closed_ = 0;
    DirectoryCommands commands_;
    QString root_;
};

TEST_F(DirectoryCommandsTest, CreateMakesOneLevelAndSelectsIt) {
    AnswerModal(Type(QStringLiteral("Новый")), [&] { commands_.CreateDirectory(); });
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("Новый"))).isDir());
    EXPECT_EQ(Selected(), QStringLiteral("Новый"));
    EXPECT_EQ(closed_, 1);
    EXPECT_TRUE(messenger_.messages.empty());

    // An existing name: the message, nothing closed, its item selected.
    AnswerModal(Type(QStringLiteral("A")), [&] { commands_.CreateDirectory(); });
    EXPECT_EQ(messenger_.messages, (std::vector<Message>{{Message::Plain, QStringLiteral("Каталог A уже существует")}}));
    EXPECT_EQ(Selected(), QStringLiteral("A"));
    EXPECT_EQ(closed_, 1);

    // Escape cancels; the field keeps the last text typed.
    AnswerModal(Type(QStringLiteral("D"), Qt::Key_Escape), [&] { commands_.CreateDirectory(); });
    EXPECT_FALSE(QFileInfo(Path(QStringLiteral("D"))).exists());
    EXPECT_EQ(form_.Text(), QStringLiteral("D"));
}

TEST_F(DirectoryCommandsTest, RenamingTheCurrentDirectoryMovesTheTreeWithIt) {
    tree_.SetCurrentDirectory(Path(QStringLiteral("B")));
    Select(QStringLiteral("B"));
    AnswerModal(Type(QStringLiteral("B2")), [&] { commands_.RenameDirectory(); });
    EXPECT_EQ(tree_.CurrentDirectory(), QDir::toNativeSeparators(Path(QStringLiteral("B2"))));
    EXPECT_GE(tree_.FindItem(QStringLiteral("inner")), 0);
}

TEST_F(DirectoryCommandsTest, DeleteAsksWarnsAndSelectsThePrevious) {
    Select(QStringLiteral("C"));
    const int row = tree_.SelectedIndex();
    messenger_.confirm = false;
    commands_.DeleteDirectory();
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("C"))).isDir());

    messenger_.confirm = true;
    Select(QStringLiteral("B"));
    commands_.DeleteDirectory();
    const QString b = QDir::toNativeSeparators(Path(QStringLiteral("B")));
    EXPECT_EQ(messenger_.messages.back(), (Message{Message::Warning, QStringLiteral("Невозможно удалить каталог %1").arg(b)}));

    Select(QStringLiteral("C"));
    commands_.DeleteDirectory();
    EXPECT_FALSE(QFileInfo(Path(QStringLiteral("C"))).exists());
    EXPECT_EQ(tree_.SelectedIndex(), row - 1);
    EXPECT_EQ(messenger_.messages.front(),
              (Message{Message::Confirm,
                       QStringLiteral("Удалить каталог %1").arg(QDir::toNativeSeparators(Path(QStringLiteral("C"))))}));
    EXPECT_EQ(closed_, 0);  // deleting never closes the base
}

}  // namespace
}  // namespace ter5::base

#include "base/widgets/DriveBox.h"

namespace ter5::base {
namespace {

TEST_F(DirectoryCommandsTest, DriveBoxFollowsTheTreeAndReturnsToTheLastDirectory) {
    DriveBox drives(&tree_);
    const int here = drives.DriveOf(root_);
    ASSERT_GE(here, 0);
    EXPECT_EQ(drives.currentIndex(), here);
    tree_.SetCurrentDirectory(Path(QStringLiteral("B")));

    // Another drive: the tree moves to its root (nothing visited there yet).
    const int home = drives.findText(QStringLiteral("Домашний каталог"));
    ASSERT_GE(home, 0);
    if (home == here) GTEST_SKIP() << "the scratch directory lies in the home directory";
    emit drives.activated(home);
    EXPECT_EQ(tree_.CurrentDirectory(), QDir::toNativeSeparators(drives.DriveRoot(home)));
    EXPECT_EQ(drives.currentIndex(), home);
    // Back: the directory last shown on that drive.
    emit drives.activated(here);
    EXPECT_EQ(tree_.CurrentDirectory(), QDir::toNativeSeparators(Path(QStringLiteral("B"))));
}

}  // namespace
}  // namespace ter5::base
