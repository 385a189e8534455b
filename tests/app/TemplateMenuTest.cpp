// The main window's template commands on a demo base: the reindex menu's enabling,
// the group reindex and the single-table reindex through the template lists, the
// template editing path, and base creation through the name dialog.

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTest>

#include <filesystem>

#include "../engine/ProcessSupport.h"
#include "AppTestSupport.h"
#include "ModalSteps.h"
#include "app/MapStatusBar.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/TNewForm.h"
#include "templates/widgets/TListBases.h"
#include "templates/widgets/TListNameBase.h"
#include "templates/widgets/TemplateDetailLists.h"
#include "templates/widgets/TemplateGrid.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::app {
namespace {

namespace fs = std::filesystem;
using templates::TListBases;
using templates::TListField;
using templates::TListIndex;
using templates::TListNameBase;
using testing::Message;
using testing::ModalAs;
using testing::RunWithModalSteps;

class TemplateMenus : public ::testing::Test {
protected:
    TemplateMenus() {
        bases_ = f_.scratch.Make("bases");
        base::WriteDemoBase(bases_ / "demo", {50, 1});
        tree_ = f_.window->DirectoryListBox1;
        tree_->SetCurrentDirectory(QString::fromStdString(bases_.string()));
    }

    // Selects the item as a click does, which opens a base.
    void Click(const QString& name) {
        const int row = tree_->FindItem(name);
        ASSERT_GE(row, 0) << name.toStdString();
        QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, tree_->visualItemRect(tree_->item(row)).center());
    }

    // Removes index files of the demo base, so that it opens only after a reindex.
    void RemoveIndexFiles(std::initializer_list<const char*> names) {
        for (const char* name : names) ASSERT_TRUE(fs::remove(bases_ / "demo" / name)) << name;
    }

    testing::MainWindowFixture f_;
    fs::path bases_;
    base::DirectoryTree* tree_ = nullptr;
};

TEST_F(TemplateMenus, ReindexItemsFollowTheSelectedDirectory) {
    TMain& w = *f_.window;
    fs::create_directory(bases_ / "gone");
    tree_->SetCurrentDirectory(QString::fromStdString(bases_.string()));
    tree_->SelectIndex(tree_->FindItem("gone"));
    emit w.N15->aboutToShow();
    EXPECT_TRUE(w.nReindexTERBases->isEnabled());
    fs::remove(bases_ / "gone");
    emit w.N15->aboutToShow();
    EXPECT_FALSE(w.nReindexTERBases->isEnabled());
    EXPECT_FALSE(w.nReindexSelectBase->isEnabled());
    EXPECT_TRUE(w.nReindexEditBases->isEnabled());
}

TEST_F(TemplateMenus, GroupReindexRebuildsTheMarkedTablesAndReopensTheBase) {
    RemoveIndexFiles({"POLIGON.XG0", "POLIGON.YG0"});
    Click("demo");
    ASSERT_FALSE(f_.messenger.messages.empty());  // the vertex order index is missing
    f_.messenger.messages.clear();

    TListNameBase* groups = nullptr;
    RunWithModalSteps({[&](QWidget* modal) {
                          groups = ModalAs<TListNameBase>(modal);
                          if (!groups) return;
                          EXPECT_EQ(groups->Mode(), "ReIndex");
                          groups->SelectAction()->trigger();
                      }},
                      [&] { f_.window->nReindexTERBases->trigger(); });
    ASSERT_NE(groups, nullptr);
    EXPECT_FALSE(groups->isVisible());
    EXPECT_EQ(groups->ProgressMaximum(), 3u);
    EXPECT_EQ(groups->ProgressBar()->value(), 0);
    EXPECT_FALSE(f_.window->StatusBar->ProgressShown());
    EXPECT_TRUE(fs::exists(bases_ / "demo" / "POLIGON.XG0"));
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_EQ(f_.window->MapObjects.Polys.size(), 50u);
    EXPECT_TRUE(f_.messenger.messages.empty());
}

// The second marked table is held: the first is rebuilt, then the group stops, saying who
// holds the table, which tables were reindexed and which were not, with its bar back at 0.
TEST_F(TemplateMenus, AGroupReindexOfATableAnotherProgramHoldsSaysWhoAndStops) {
    const fs::path demo = bases_ / "demo";
    const auto bytesOf = [&](const char* name) { return engine::ReadWholeFile(demo / name); };
    const auto subterIndex = bytesOf("subter.px");
    const auto terIndex = bytesOf("ter.px");
    engine::testing::Holder holder("open", demo / "subter.db");
    ASSERT_TRUE(holder.Held());
    Click("demo");
    f_.messenger.messages.clear();
    TListNameBase* groups = nullptr;
    bool stayedOpen = false;
    RunWithModalSteps({[&](QWidget* modal) {
                           groups = ModalAs<TListNameBase>(modal);
                           if (groups) groups->SelectAction()->trigger();
                       },
                       [&](QWidget* modal) {
                           // After the error the list stays for another try; the user closes it.
                           stayedOpen = modal != nullptr;
                           if (modal) modal->close();
                       }},
                      [&] { f_.window->nReindexTERBases->trigger(); });
    EXPECT_TRUE(stayedOpen);
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->ProgressBar()->value(), 0);
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_EQ(f_.messenger.messages[0].kind, Message::Error);
    EXPECT_EQ(f_.messenger.messages[0].text.toStdString(),
              "Таблица " + (demo / "subter.db").string() + " занята программой table_holder (процесс " +
                  std::to_string(holder.Pid()) +
                  ")\n\nПереиндексированы: POLIGON.DB.\nНе переиндексированы: SUBTER.DB, TER.DB.");
    EXPECT_EQ(bytesOf("subter.px"), subterIndex);
    EXPECT_EQ(bytesOf("ter.px"), terIndex);    // the group did not go on
    EXPECT_TRUE(f_.window->DM().BaseOpen());  // the base is open again, as before
}

TEST_F(TemplateMenus, SingleTableReindexClosesBothListsAndRebuildsOnlyThatTable) {
    RemoveIndexFiles({"POLIGON.XG0", "POLIGON.YG0", "ter.px"});
    Click("demo");
    f_.messenger.messages.clear();

    TListBases* tables = nullptr;
    RunWithModalSteps({[](QWidget* modal) {
                           if (auto* groups = ModalAs<TListNameBase>(modal)) groups->SelectAction()->trigger();
                       },
                       [&](QWidget* modal) {
                           tables = ModalAs<TListBases>(modal);
                           if (!tables) return;
                           EXPECT_EQ(tables->Mode(), "Select");
                           tables->Table().First();  // POLIGON.DB
                           tables->SelectAction()->trigger();
                       }},
                      [&] { f_.window->nReindexSelectBase->trigger(); });
    ASSERT_NE(tables, nullptr);
    EXPECT_FALSE(tables->isVisible());
    EXPECT_FALSE(f_.window->TemplateLists()->ListNameBase()->isVisible());
    EXPECT_TRUE(fs::exists(bases_ / "demo" / "POLIGON.XG0"));
    EXPECT_FALSE(fs::exists(bases_ / "demo" / "ter.px"));
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_EQ(f_.window->MapObjects.Polys.size(), 50u);
    EXPECT_TRUE(f_.messenger.messages.empty());
}

TEST_F(TemplateMenus, EditingPathReachesTheIndexAndFieldListsOfTheChosenTable) {
    int indexRows = -1, fieldRows = -1;
    const auto close = [](QWidget* modal) {
        if (modal) modal->close();
    };
    RunWithModalSteps(
        {[](QWidget* modal) {
             auto* groups = ModalAs<TListNameBase>(modal);
             if (groups && groups->Mode() == "Edit") groups->SelectAction()->trigger();
         },
         [](QWidget* modal) {
             auto* tables = ModalAs<TListBases>(modal);
             if (!tables || tables->Mode() != "Edit") return;
             tables->Table().First();  // POLIGON.DB: two indexes, seven fields
             tables->SelectAction()->trigger();
         },
         [&](QWidget* modal) {
             if (auto* indexes = ModalAs<TListIndex>(modal)) indexRows = indexes->Grid()->model()->rowCount();
             close(modal);
         },
         [](QWidget* modal) {
             if (auto* tables = ModalAs<TListBases>(modal)) tables->FieldsAction()->trigger();
         },
         [&](QWidget* modal) {
             if (auto* fields = ModalAs<TListField>(modal)) fieldRows = fields->Grid()->model()->rowCount();
             close(modal);
         },
         close, close},
        [&] { f_.window->nReindexEditBases->trigger(); });
    EXPECT_EQ(indexRows, 2);
    EXPECT_EQ(fieldRows, 7);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(TemplateMenus, CreationMakesTheGroupsTablesInTheNamedDirectory) {
    const auto answerName = [](const QString& name, Qt::Key key) {
        return [name, key](QWidget* modal) {
            auto* dialog = ModalAs<base::TNewForm>(modal);
            if (!dialog) return;
            EXPECT_EQ(dialog->windowTitle(), "Каталог");
            dialog->SetText(name);
            QTest::keyClick(dialog->Edit1(), key);
        };
    };
    const auto select = [](QWidget* modal) {
        auto* groups = ModalAs<TListNameBase>(modal);
        if (groups && groups->Mode() == "CreateTerBases") groups->SelectAction()->trigger();
    };

    // Escape creates nothing and shows no list.
    bool listShown = false;
    RunWithModalSteps({answerName("fresh", Qt::Key_Escape), [&](QWidget* modal) { listShown = modal != nullptr; }},
                      [&] { f_.window->tbCreate->trigger(); });
    EXPECT_FALSE(listShown);
    EXPECT_FALSE(fs::exists(bases_ / "fresh"));

    RunWithModalSteps({answerName("fresh", Qt::Key_Return), select}, [&] { f_.window->tbCreate->trigger(); });
    for (const char* table : {"POLIGON.DB", "SUBTER.DB", "TER.DB"})
        EXPECT_TRUE(fs::exists(bases_ / "fresh" / table)) << table;
    EXPECT_EQ(tree_->CurrentDirectory().toStdString(), (bases_ / "fresh").string());
    EXPECT_FALSE(f_.window->DM().BaseOpen());
    EXPECT_TRUE(f_.messenger.messages.empty());

    // An existing directory is said to exist and keeps its tables.
    tree_->SetCurrentDirectory(QString::fromStdString(bases_.string()));
    const auto written = fs::last_write_time(bases_ / "fresh" / "TER.DB");
    RunWithModalSteps({answerName("fresh", Qt::Key_Return), select}, [&] { f_.window->nCreate->trigger(); });
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_EQ(f_.messenger.messages[0], (Message{Message::Plain, "Каталог fresh уже существует"}));
    EXPECT_EQ(fs::last_write_time(bases_ / "fresh" / "TER.DB"), written);

    // A nested name under a missing directory cannot be created.
    f_.messenger.messages.clear();
    RunWithModalSteps({answerName("missing/inner", Qt::Key_Return)}, [&] { f_.window->nCreate->trigger(); });
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_EQ(f_.messenger.messages[0], (Message{Message::Error, "Невозможно создать каталог missing/inner"}));
}

}  // namespace
}  // namespace ter5::app
