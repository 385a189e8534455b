// The template windows' rules without a toolkit: what the select command does in each
// list and mode, the number format of the field list, the mark command on the table
// templates, and typed values going into the pending row of a template table.

#include <gtest/gtest.h>

#include "TemplateTestSupport.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateListRules.h"

namespace ter5::templates {
namespace {

using namespace testing;

TEST(TemplateListRules, SelectCommandByListAndMode) {
    struct Case {
        TemplateList list;
        const char* mode;
        SelectAction action;
    };
    const Case cases[] = {
        {TemplateList::Groups, "Edit", SelectAction::ShowTables},
        {TemplateList::Groups, "Select", SelectAction::ShowTables},
        {TemplateList::Groups, "ReIndex", SelectAction::ReindexGroup},
        {TemplateList::Groups, "CreateTerBases", SelectAction::CreateTables},
        {TemplateList::Groups, "reindex", SelectAction::None},  // mode words are exact
        {TemplateList::Tables, "Edit", SelectAction::ShowIndexes},
        {TemplateList::Tables, "Select", SelectAction::ReindexTable},
        {TemplateList::Tables, "ReIndex", SelectAction::None},
        {TemplateList::Fields, "Edit", SelectAction::None},
        {TemplateList::Indexes, "Edit", SelectAction::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectActionOf(c.list, c.mode), c.action) << static_cast<int>(c.list) << " " << c.mode;
    EXPECT_TRUE(FieldsCommandShows("Edit"));
    EXPECT_FALSE(FieldsCommandShows("Select"));

    EXPECT_EQ(FormatTemplateNumber(7, "000"), "007");
    EXPECT_EQ(FormatTemplateNumber(1234, "000"), "1234");
    EXPECT_EQ(FormatTemplateNumber(-5, "000"), "-005");
    EXPECT_EQ(FormatTemplateNumber(42, ""), "42");
    EXPECT_EQ(MarkText(kReindexMark), "☑");
    EXPECT_EQ(MarkText("x"), "x");
}

TEST(TemplateListRules, MarkFlipsWalksDownAndTypedValuesReachTheRow) {
    TempDir dir;
    TemplateModule module(dir.Str());
    base::BaseTable& tables = module.DataModule().TBases;
    ASSERT_EQ(tables.RecordCount(), 3u);  // the default group's three tables, all marked
    tables.First();
    for (int i = 0; i < 3; ++i) MarkCurrentTable(tables);
    EXPECT_TRUE(tables.Eof() || tables.RecNo() == 3);
    for (std::size_t row = 0; row < 3; ++row) EXPECT_EQ(tables.TextAt(row, tables.FieldIndex("Flag")), "") << row;
    MarkCurrentTable(tables);  // the last row again: marked, and the cursor stays
    EXPECT_EQ(tables.AsString("Flag"), kReindexMark);
    EXPECT_EQ(tables.RecNo(), 3);

    // The edit dialog of a table template: an emptied box clears its field, an
    // unchanged one is left alone, a radio choice stores its value.
    const TemplateEditLayout& edit = ListLayout(TemplateList::Tables).edit;
    tables.First();
    tables.Edit();
    std::vector<TypedText> texts;
    for (const TemplateEditBox& box : edit.boxes)
        texts.push_back({box.field, TemplateFieldText(tables, box.field, box.numberFormat), {}});
    std::vector<TypedChoice> choices{{&edit.radios[0], TemplateRadioIndex(tables, edit.radios[0]), 0}};
    EXPECT_EQ(choices[0].loaded, 1);  // unmarked: "Нет"
    texts[0].typed = texts[0].loaded;  // Name unchanged
    texts[1].typed = "";               // Note emptied
    CommitTypedValues(tables, texts, choices);
    EXPECT_EQ(choices[0].loaded, 0);
    SaveTemplateTable(tables);
    EXPECT_EQ(tables.State(), engine::DataSetState::Browse);
    EXPECT_EQ(tables.AsString("Flag"), kReindexMark);
    EXPECT_TRUE(tables.IsNull("Note"));
    EXPECT_EQ(TemplateCellText(tables, ListLayout(TemplateList::Tables).columns[0], 0, 0), "☑");
}

}  // namespace
}  // namespace ter5::templates
