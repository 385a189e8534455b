// "Проверка и восстановление базы" from the "Переиндексация" menu on a demo base
// with a damaged vertex table: the tables and their states, the repair of the
// damaged one with the base closed and re-opened, the progress strips and the
// report; a header that cannot be read, repaired from the chosen template group.

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <filesystem>

#include "AppTestSupport.h"
#include "ModalSteps.h"
#include "app/MapStatusBar.h"
#include "base/widgets/DirectoryTree.h"
#include "engine/ByteIo.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/IndexVerify.h"
#include "templates/widgets/TRepairBase.h"

namespace ter5::app {
namespace {

namespace fs = std::filesystem;
using templates::TRepairBase;
using testing::ModalAs;
using testing::RunWithModalSteps;

void Damage(const fs::path& table, const std::function<void(std::vector<std::uint8_t>&)>& change) {
    std::vector<std::uint8_t> bytes = engine::ReadWholeFile(table);
    change(bytes);
    engine::WriteFileAtomic(table, bytes);
}

class RepairWindow : public ::testing::Test {
protected:
    RepairWindow() {
        bases_ = f_.scratch.Make("bases");
        base::WriteDemoBase(bases_ / "demo", {40, 2});
        tree_ = f_.window->DirectoryListBox1;
        tree_->SetCurrentDirectory(QString::fromStdString(bases_.string()));
        tree_->SelectIndex(tree_->FindItem("demo"));
    }
    fs::path Vertices() const { return bases_ / "demo" / "POLIGON.DB"; }

    // Opens the window from the menu; `inside` works in it while it is shown.
    void InWindow(const std::function<void(TRepairBase&)>& inside) {
        TMain& w = *f_.window;
        emit w.N15->aboutToShow();
        ASSERT_TRUE(w.nRepairBase->isEnabled());
        RunWithModalSteps({[&](QWidget* modal) {
                              if (auto* window = ModalAs<TRepairBase>(modal)) {
                                  inside(*window);
                                  window->accept();
                              }
                          }},
                          [&] { w.nRepairBase->trigger(); });
    }

    testing::MainWindowFixture f_;
    fs::path bases_;
    base::DirectoryTree* tree_ = nullptr;
};

TEST_F(RepairWindow, ListsTheTablesRepairsTheDamagedOneAndShowsTheReport) {
    Damage(Vertices(), [](std::vector<std::uint8_t>& b) {
        const std::size_t at = engine::ReadU16(b.data() + engine::format::kHeaderSize) + 4096;  // block 2
        std::fill(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4096), 0);
    });
    InWindow([&](TRepairBase& window) {
        ASSERT_EQ(window.TablesGrid->rowCount(), 3);
        const auto& states = window.States();
        const auto damaged = std::count_if(states.begin(), states.end(), [](const auto& s) { return s.damaged; });
        EXPECT_EQ(damaged, 1);
        EXPECT_TRUE(window.RepairButton->isEnabled());
        window.RepairButton->click();
        const std::string report = window.ReportText().toStdString();
        EXPECT_NE(report.find("POLIGON.DB: восстановлена с потерями"), std::string::npos) << report;
        EXPECT_NE(report.find("нечитаемые блоки: 1 (2)"), std::string::npos) << report;
        EXPECT_NE(report.find("Исходные файлы и отчёт"), std::string::npos) << report;
        EXPECT_FALSE(window.RepairButton->isEnabled());  // nothing damaged is left
    });
    for (const auto& p : engine::VerifyTable(Vertices())) EXPECT_TRUE(p.isNote) << p.text;
    EXPECT_FALSE(f_.window->MapObjects.Polys.empty());  // the base was opened again with its map
}

TEST_F(RepairWindow, AnUnreadableHeaderIsRepairedFromTheChosenTemplateGroup) {
    Damage(Vertices(), [](std::vector<std::uint8_t>& b) { b[engine::format::kDataHeaderEnd + 4] ^= 0x80; });
    InWindow([&](TRepairBase& window) {
        window.RepairButton->click();
        EXPECT_NE(window.ReportText().toStdString().find("восстановить нельзя"), std::string::npos) << window.ReportText().toStdString();
        window.GroupBox->setCurrentText("TER v.5");
        window.RepairButton->click();
        const std::string report = window.ReportText().toStdString();
        EXPECT_NE(report.find("POLIGON.DB: восстановлена"), std::string::npos) << report;
    });
    for (const auto& p : engine::VerifyTable(Vertices())) EXPECT_TRUE(p.isNote) << p.text;
}

}  // namespace
}  // namespace ter5::app
