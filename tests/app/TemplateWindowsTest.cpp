// The template list windows and edit dialogs over a template store holding the
// default templates: grids, saving and cancelling rows, posting errors, the close
// box, the radio groups, marking, the mode rules of the table template list, empty
// lists and the imports' file dialogs.

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "../templates/TemplateTestSupport.h"
#include "AppTestSupport.h"
#include "ModalSteps.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateSchema.h"
#include "templates/widgets/TListBases.h"
#include "templates/widgets/TListNameBase.h"
#include "templates/widgets/TemplateDetailLists.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateGrid.h"
#include "templates/widgets/TemplateWindows.h"

namespace ter5::templates {
namespace {

using ter5::testing::Message;
using ter5::testing::ModalAs;
using ter5::testing::RunWithModalSteps;

const QString kMark = QString::fromUtf8(kReindexMark);

class TemplateWindowsTest : public ::testing::Test {
protected:
    TemplateWindowsTest() : module_(scratch_.Str()), windows_(module_.DataModule(), module_.Store(), host_, &parent_) {
        host_.target = scratch_.Str();
        Groups().First();
        Tables().First();
    }

    base::TDM& DM() { return module_.DataModule(); }
    base::BaseTable& Groups() { return DM().TNameBase; }
    base::BaseTable& Tables() { return DM().TBases; }
    base::BaseTable& Fields() { return DM().TField; }
    base::BaseTable& Indexes() { return DM().TIndex; }

    // Rows of a template table as written on disk.
    std::size_t RowsOnDisk(const char* file) const {
        engine::Table table;
        table.SetDatabaseName(scratch_.Str());
        table.SetTableName(file);
        table.Open();
        return table.RecordCount();
    }

    // Runs a list command that shows the edit dialog, with `answer` acting in it.
    void WithEditDialog(QAction* command, const std::function<void(TemplateEditDialog*)>& answer) {
        RunWithModalSteps({[&](QWidget* modal) {
                              if (auto* dialog = ModalAs<TemplateEditDialog>(modal)) answer(dialog);
                          }},
                          [&] { command->trigger(); });
    }

    ter5::testing::ScratchDir scratch_;
    ter5::testing::RecordingMessenger messenger_;
    testing::RecordingHost host_;
    TemplateModule module_;
    QWidget parent_;
    TemplateWindows windows_;
};

TEST_F(TemplateWindowsTest, GridsShowTheTemplatesWithTheirColumnsAndMarks) {
    TListBases* list = windows_.ListBases();
    EXPECT_EQ(list->windowTitle(), "Перечень баз данных");
    // The design size, grown like the grid's columns with the font, within the screen.
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    const auto grown = [&](int design, double scale, int bound) {
        return std::min(static_cast<int>(design * std::max(1.0, scale)), std::max(design, bound));
    };
    EXPECT_EQ(list->width(), grown(808, list->Grid()->FontScale(), screen.width()));
    EXPECT_EQ(list->height(), grown(608, list->Grid()->FontScale(), screen.height()));
    const QAbstractItemModel* model = list->Grid()->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "☑");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "База данных");
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), "☑");
    EXPECT_EQ(model->data(model->index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 128));
    EXPECT_EQ(model->data(model->index(2, 1)).toString(), "TER.DB");
    // The design widths 224 and 340, scaled to the font alike.
    EXPECT_NEAR(list->Grid()->columnWidth(2) * 224.0 / 340.0, list->Grid()->columnWidth(1), 1.0);

    // Fields of the current table template (POLIGON.DB), numbered with three digits.
    TListField* fields = windows_.ListField();
    EXPECT_EQ(fields->windowTitle(), "Список полей базы данных");
    EXPECT_EQ(fields->Grid()->model()->data(fields->Grid()->model()->index(1, 0)).toString(), "002");
    EXPECT_EQ(fields->Grid()->model()->data(fields->Grid()->model()->index(1, 0), Qt::TextAlignmentRole).toInt() &
                  Qt::AlignHCenter,
              Qt::AlignHCenter);

    QStringList hints;
    for (int i = 0; i < TemplateListWindow::NavCount; ++i)
        hints << list->Navigator(static_cast<TemplateListWindow::NavigatorButton>(i))->toolTip();
    EXPECT_EQ(hints, (QStringList{"Первая запись", "Предшествующая запись", "Следующая запись", "Последняя запись",
                                  "Зафиксировать редактирование", "Отменить редактирование", "Обновить данные"}));
    EXPECT_EQ(windows_.ListNameBase()->windowTitle(), "Список баз данных переиндексируемых по шаблону");
    EXPECT_EQ(windows_.ListIndex()->width(), grown(689, windows_.ListIndex()->Grid()->FontScale(), screen.width()));
}

TEST_F(TemplateWindowsTest, SavingWithNothingTypedLeavesNoRowAndTypedRowsReachTheDisk) {
    TListField* list = windows_.ListField();
    const std::size_t before = Fields().RecordCount();
    WithEditDialog(list->CreateAction(), [](TemplateEditDialog* dialog) {
        EXPECT_EQ(dialog->Edit("Number")->text(), "008");  // numbered, which counts as no change
        dialog->SaveButton()->click();
    });
    EXPECT_EQ(Fields().RecordCount(), before);
    EXPECT_EQ(Fields().State(), engine::DataSetState::Browse);

    WithEditDialog(list->CreateAction(), [](TemplateEditDialog* dialog) {
        dialog->Edit("NameField")->setText("Owner");
        dialog->Edit("Type")->setText("I");
        dialog->SaveButton()->click();
        EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_EQ(Fields().RecordCount(), before + 1);
    EXPECT_EQ(Fields().AsInteger("Number"), 8);
    EXPECT_EQ(RowsOnDisk(kFieldTable), 7u + 6u + 5u + 1u);

    // "Отменить" drops a typed row.
    WithEditDialog(list->CreateAction(), [](TemplateEditDialog* dialog) {
        dialog->Edit("NameField")->setText("Dropped");
        dialog->CancelButton()->click();
    });
    EXPECT_EQ(Fields().RecordCount(), before + 1);
}

TEST_F(TemplateWindowsTest, PostingErrorsShowTheEngineMessageAndKeepTheRowPending) {
    TListField* list = windows_.ListField();
    const std::size_t before = Fields().RecordCount();
    WithEditDialog(list->CreateAction(), [&](TemplateEditDialog* dialog) {
        dialog->Edit("NameField")->setText("Area");
        dialog->Edit("Width")->setText("wide");
        EXPECT_FALSE(dialog->SpeedButton1Click());
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(Fields().State(), engine::DataSetState::Insert);
        ASSERT_EQ(messenger_.messages.size(), 1u);
        EXPECT_EQ(messenger_.messages[0].kind, Message::Error);
        // The engine's own message, naming the field and the text.
        EXPECT_TRUE(messenger_.messages[0].text.contains("'Width'")) << messenger_.messages[0].text.toStdString();
        EXPECT_TRUE(messenger_.messages[0].text.contains("'wide'"));

        dialog->Edit("Width")->setText("12");
        EXPECT_TRUE(dialog->SpeedButton1Click());
    });
    EXPECT_EQ(Fields().RecordCount(), before + 1);
    EXPECT_EQ(Fields().AsString("NameField"), "Area");
    EXPECT_EQ(Fields().AsInteger("Width"), 12);
}

TEST_F(TemplateWindowsTest, TheCloseBoxKeepsTheRowPendingUntilTheListCloses) {
    TListIndex* list = windows_.ListIndex();
    const std::size_t before = Indexes().RecordCount();
    RunWithModalSteps({[](QWidget* modal) {
                           auto* list = ModalAs<TListIndex>(modal);
                           if (!list) return;
                           RunWithModalSteps({[](QWidget* dialogWindow) {
                                                 auto* dialog = ModalAs<TemplateEditDialog>(dialogWindow);
                                                 if (!dialog) return;
                                                 dialog->Edit("NameIndex")->setText("ByNumber");
                                                 dialog->Edit("StructureIndex")->setText("Number");
                                                 dialog->close();
                                             }},
                                             [&] { list->CreateAction()->trigger(); });
                           EXPECT_EQ(list->Table().State(), engine::DataSetState::Insert);
                           list->close();
                       }},
                      [&] { list->ShowModal(); });
    EXPECT_EQ(Indexes().State(), engine::DataSetState::Browse);
    EXPECT_EQ(Indexes().RecordCount(), before + 1);
    EXPECT_EQ(RowsOnDisk(kIndexTable), 5u);
}

TEST_F(TemplateWindowsTest, RadioGroupsShowAndStoreTheFlagValues) {
    WithEditDialog(windows_.ListNameBase()->EditAction(), [](TemplateEditDialog* dialog) {
        EXPECT_TRUE(dialog->Radio("Flag", "р")->isChecked());
        dialog->Radio("Flag", "о")->click();
        dialog->SaveButton()->click();
    });
    EXPECT_EQ(Groups().AsString("Flag"), "о");

    TListBases* tables = windows_.ListBases();
    WithEditDialog(tables->EditAction(), [](TemplateEditDialog* dialog) {
        EXPECT_TRUE(dialog->Radio("Flag", kMark)->isChecked());
        dialog->Radio("Flag", " ")->click();
        dialog->SaveButton()->click();
    });
    EXPECT_NE(Tables().AsString("Flag"), kReindexMark);
    WithEditDialog(tables->EditAction(), [](TemplateEditDialog* dialog) {
        EXPECT_TRUE(dialog->Radio("Flag", " ")->isChecked());  // stored blank, read back empty
        dialog->Radio("Flag", kMark)->click();
        dialog->SaveButton()->click();
    });
    EXPECT_EQ(Tables().AsString("Flag"), kReindexMark);
}

TEST_F(TemplateWindowsTest, MarkTogglesWalksDownAndStaysOnTheLastRow) {
    TListBases* list = windows_.ListBases();
    EXPECT_EQ(list->MarkAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    EXPECT_EQ(list->ContextMenu()->actions().size(), 6);
    for (int i = 0; i < 3; ++i) list->MarkAction()->trigger();
    EXPECT_EQ(Tables().RecNo(), 3u);
    for (std::size_t row = 1; row <= 3; ++row) {
        Tables().MoveTo(row);
        EXPECT_TRUE(Tables().AsString("Flag").empty()) << row;
    }
    list->MarkAction()->trigger();
    EXPECT_EQ(Tables().RecNo(), 3u);
    EXPECT_EQ(Tables().AsString("Flag"), kReindexMark);
    EXPECT_EQ(Tables().State(), engine::DataSetState::Browse);

    // A group without table templates gets no row from marking.
    module_.Store().AppendGroup("Empty", kGroupOther);
    list->MarkAction()->trigger();
    EXPECT_TRUE(Tables().IsEmpty());
    EXPECT_EQ(Tables().State(), engine::DataSetState::Browse);
}

TEST_F(TemplateWindowsTest, FieldListOnlyInEditModeAndDetailListsFollowTheTableTemplate) {
    TListBases* list = windows_.ListBases();
    list->SetMode("Select");
    bool opened = false;
    RunWithModalSteps({[&](QWidget* modal) {
                          opened = modal != nullptr;
                          if (modal) modal->close();
                      }},
                      [&] { list->FieldsAction()->trigger(); });
    EXPECT_FALSE(opened);

    list->SetMode("Edit");
    Tables().Last();  // TER.DB: five fields
    int shown = -1;
    RunWithModalSteps({[&](QWidget* modal) {
                          if (auto* fields = ModalAs<TListField>(modal)) {
                              shown = fields->Grid()->model()->rowCount();
                              fields->close();
                          }
                      }},
                      [&] { list->FieldsAction()->trigger(); });
    EXPECT_EQ(shown, 5);
}

TEST_F(TemplateWindowsTest, EnterInTheGroupGridSelectsAndEscapeClosesOnlyTheGroupList) {
    TListNameBase* groups = windows_.ListNameBase();
    groups->SetMode("Edit");
    bool tablesKeptOnEscape = false, groupsClosedOnEscape = false;
    RunWithModalSteps({[](QWidget* modal) {
                           if (auto* list = ModalAs<TListNameBase>(modal)) QTest::keyClick(list->Grid(), Qt::Key_Return);
                       },
                       [&](QWidget* modal) {
                           auto* tables = ModalAs<TListBases>(modal);
                           if (!tables) return;
                           EXPECT_EQ(tables->Mode(), "Edit");
                           QTest::keyClick(tables->Grid(), Qt::Key_Escape);
                           tablesKeptOnEscape = tables->isVisible();
                           tables->close();
                       },
                       [&](QWidget* modal) {
                           auto* list = ModalAs<TListNameBase>(modal);
                           if (!list) return;
                           QTest::keyClick(list->Grid(), Qt::Key_Escape);
                           groupsClosedOnEscape = !list->isVisible();
                       },
                       [](QWidget* modal) {
                           if (modal) modal->close();
                       }},
                      [&] { groups->ShowModal(); });
    EXPECT_TRUE(tablesKeptOnEscape);
    EXPECT_TRUE(groupsClosedOnEscape);
}

TEST_F(TemplateWindowsTest, EmptyListsStartARowOnEditAndGiveTheEngineErrorOnDelete) {
    module_.Store().AppendGroup("Empty", kGroupOther);
    TListBases* list = windows_.ListBases();
    ASSERT_TRUE(Tables().IsEmpty());
    WithEditDialog(list->EditAction(), [&](TemplateEditDialog* dialog) {
        EXPECT_EQ(Tables().State(), engine::DataSetState::Insert);
        dialog->CancelButton()->click();
    });
    EXPECT_TRUE(Tables().IsEmpty());

    list->DeleteAction()->trigger();
    ASSERT_EQ(messenger_.messages.size(), 2u);
    EXPECT_EQ(messenger_.messages[0], (Message{Message::Confirm, "Вы уверены, что хотите удалить текущую запись ?"}));
    EXPECT_EQ(messenger_.messages[1].kind, Message::Error);
    EXPECT_TRUE(messenger_.messages[1].text.contains(QStringLiteral("Операция невозможна: набор данных пуст")));

    // A refused confirmation deletes nothing.
    messenger_.confirm = false;
    Groups().First();
    const std::size_t groups = Groups().RecordCount();
    windows_.ListNameBase()->DeleteAction()->trigger();
    EXPECT_EQ(Groups().RecordCount(), groups);
}

TEST_F(TemplateWindowsTest, ImportsAskTheirFileDialogsAndFillTheCurrentGroup) {
    const auto base = scratch_.Path() / "base";
    base::WriteDemoBase(base, {5, 1});
    std::vector<FileRequest> requests;
    QStringList answer;
    windows_.SetFileChooser([&](QWidget*, const FileRequest& request) {
        requests.push_back(request);
        return answer;
    });
    module_.Store().AppendGroup("Demo", kGroupOther);
    TListBases* list = windows_.ListBases();

    list->ImportBaseAction()->trigger();  // cancelled
    EXPECT_TRUE(Tables().IsEmpty());
    answer = {QString::fromStdString((base / "ter.db").string())};
    list->ImportBaseAction()->trigger();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].filter, QStringLiteral("Базы TER v.5 (ter.db)"));
    EXPECT_EQ(requests[1].directory.toStdString(), host_.target);
    EXPECT_FALSE(requests[1].multiple);
    EXPECT_EQ(list->Grid()->model()->rowCount(), 3);
    EXPECT_EQ(Tables().AsString("Name"), "TER.DB");

    module_.Store().AppendGroup("Parcels", kGroupOther);
    answer = {QString::fromStdString((base / "subter.db").string()),
              QString::fromStdString((base / "POLIGON.DB").string())};
    list->ImportTablesAction()->trigger();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].filter, QStringLiteral("Таблицы баз TER v.5 (*.db)"));
    EXPECT_TRUE(requests[2].multiple);
    EXPECT_EQ(list->Grid()->model()->rowCount(), 2);
    EXPECT_TRUE(messenger_.messages.empty());
}

}  // namespace
}  // namespace ter5::templates
