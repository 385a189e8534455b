// The Russian of the libraries' English messages: real messages of the engine, of the
// file system and of the export come out with no English word left, and what is not a
// phrase (file names, field names, numbers) stays as it was.

#include "base/RussianMessages.h"

#include <gtest/gtest.h>

#include <regex>

#include "BaseFixtures.h"
#include "base/TDM.h"
#include "engine/EngineError.h"

namespace ter5::base {
namespace {

// The Latin words of a text, but for the names it may hold.
std::vector<std::string> EnglishWords(const std::string& text, const std::vector<std::string>& names) {
    std::string rest = text;
    for (const std::string& name : names)
        for (std::size_t at; (at = rest.find(name)) != std::string::npos;) rest.erase(at, name.size());
    std::vector<std::string> words;
    const std::regex word("[A-Za-z]{3,}");
    for (auto it = std::sregex_iterator(rest.begin(), rest.end(), word); it != std::sregex_iterator(); ++it)
        words.push_back(it->str());
    return words;
}

TEST(RussianMessages, MessagesUsersMeetAreAllRussian) {
    const struct {
        const char* english;
        const char* russian;
    } cases[] = {
        {"/data/Село/ter.db: Table is read-only", "/data/Село/ter.db: таблица только для чтения"},
        {"/d/T.DB: cannot create a temporary file: Permission denied",
         "/d/T.DB: не удаётся создать временный файл: отказано в доступе"},
        {"/d/T.DB: Key violation: two records have the same key",
         "/d/T.DB: Нарушение ключа: у двух записей одинаковый ключ"},
        {"/d/ter.db: Type mismatch for field 'Poligon', expecting: Number actual: Long",
         "/d/ter.db: Несоответствие типа поля 'Poligon': нужен тип Number, а в таблице Long"},
        {"3 parcels end in an open ring, closed for the polygon and marked Unclosed",
         "Участков с незамкнутым контуром (замкнуты в полигоне, отмечены Unclosed): 3"},
        {"1 vertex row belongs to no parcel and is not exported", "Строк точек без участка (не экспортированы): 1"},
        {"filesystem error: cannot create directory: No space left on device [/mnt/x]",
         "ошибка файловой системы: не удаётся создать каталог: на устройстве не осталось места [/mnt/x]"},
    };
    for (const auto& c : cases) EXPECT_EQ(RussianMessage(c.english), c.russian) << c.english;
    // Phrases inside words are no phrases: "Opened" is not "Open".
    EXPECT_EQ(RussianMessage("Filesystem: Readers"), "Filesystem: Readers");
}

// Errors the engine really gives while a base is opened and searched.
TEST(RussianMessages, RealEngineErrorsLeaveNoEnglishWord) {
    testing::ScratchDir scratch;
    std::vector<std::string> messages;
    const auto record = [&](const std::function<void()>& action) {
        try {
            action();
            ADD_FAILURE() << "no error, " << messages.size() << " before";
        } catch (const std::exception& error) {
            messages.push_back(UserErrorText(error));
        }
    };
    // A table that is no Paradox file; a field of another type; an SQL text with a quote.
    testing::WriteSampleBase(scratch.Path());
    testing::WriteFile(scratch.Path() / "ter.db", "not a table");
    TDM dm;
    record([&] { dm.OpenBaseDirectory(scratch.Str(), true); });
    const auto odd = scratch.Make("B");
    testing::WriteSampleBase(odd);
    auto defs = BaseTableDefs();
    defs[0].fields[2].type = engine::FieldType::Long;  // Poligon
    for (const char* name : {"ter.db", "ter.px"}) std::filesystem::remove(odd / name);
    engine::CreateTable(odd / "ter.db", defs[0].fields, defs[0].indexes);
    record([&] { dm.OpenBaseDirectory(engine::PathToUtf8(odd), true); });
    engine::Query query;
    query.SetDatabaseName(scratch.Str());
    query.SetSql({"select * from subter where house like \"%\"a\"%\""});
    record([&] { query.Open(); });
    std::size_t cases = 4;
#ifndef _WIN32
    // Two owner tables whose names differ only in case (a file system that ignores case
    // holds no such pair).
    const auto twins = scratch.Make("C");
    testing::WriteSampleBase(twins);
    std::filesystem::copy_file(twins / "ter.db", twins / "TER.DB");
    record([&] { dm.OpenBaseDirectory(engine::PathToUtf8(twins), true); });
    ++cases;
#endif
    // A parcel table that is a directory.
    const auto folder = scratch.Make("D");
    testing::WriteSampleBase(folder);
    for (const char* name : {"subter.db", "subter.px"}) std::filesystem::remove(folder / name);
    std::filesystem::create_directory(folder / "subter.db");
    record([&] { dm.OpenBaseDirectory(engine::PathToUtf8(folder), true); });
    ASSERT_EQ(messages.size(), cases);
    for (const std::string& message : messages)
        EXPECT_TRUE(EnglishWords(message, {scratch.Str(), "subter.db", "ter.db", "TER.DB", "Paradox", "SQL", "LIKE",
                                           "Poligon", "Number", "Long", "Windows"})
                        .empty())
            << message;
}

}  // namespace
}  // namespace ter5::base
