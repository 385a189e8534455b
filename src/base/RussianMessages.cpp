#include "base/RussianMessages.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <utility>
#include <vector>

#include "engine/EngineError.h"

namespace ter5::base {

namespace {

struct Phrase {
    std::string_view English;
    std::string_view Russian;
};

// The phrases of the engine's, the export's, the file system's and the C library's
// messages, as they read in the sources that give them.
constexpr Phrase kPhrases[] = {
    // Tables and their files.
    {"Table is busy", "таблица занята"},
    {" (held by ", " (её держит "},
    {", process ", ", процесс "},
    {"Table is read-only (its directory is not writable: ", "таблица только для чтения (её каталог закрыт для записи: "},
    {"Table is read-only (its lock file ", "таблица только для чтения (её файл блокировки "},
    {"Table is read-only", "таблица только для чтения"},
    {"Table does not exist", "таблица не существует"},
    {"table does not exist", "таблица не существует"},
    {"table not found", "таблица не найдена"},
    {"the original table engine works in this directory, so writes here are busy",
     "в этом каталоге работает исходное ядро таблиц, поэтому запись здесь невозможна"},
    {"table is password-protected (encrypted) and cannot be read",
     "таблица защищена паролем (зашифрована) и не может быть прочитана"},
    {"index file is encrypted", "индексный файл зашифрован"},
    {"cannot open: ", "не удаётся открыть: "},
    {"the directory holds two tables whose names differ only in case (",
     "в каталоге две таблицы, имена которых различаются только регистром букв ("},
    {"the directory holds two files of one table whose names differ only in case (",
     "в каталоге два файла одной таблицы, имена которых различаются только регистром букв ("},
    {"); Windows programs cannot tell them apart, so nothing was read or written. Rename or move one of them",
     "); программы Windows их не различают, поэтому ничего не прочитано и не записано. Переименуйте или "
     "перенесите один из них"},
    {" is being deleted or replaced by another program", " удаляет или заменяет другая программа"},
    {": a write to the table was cut off and is completed when no other process holds it; nothing was read",
     ": запись в таблицу была прервана и будет завершена, когда таблицу не будет держать другой процесс; "
     "ничего не прочитано"},
    {" was deleted or replaced while the table was being written, so another process may have written it "
     "meanwhile; nothing was written",
     " удалён или заменён во время записи таблицы, так что другой процесс мог тем временем её изменить; ничего "
     "не записано"},
    {" and ", " и "},
    {"its lock file ", "её файл блокировки "},
    {" cannot be used: ", " нельзя использовать: "},
    {"the write could not be committed (", "запись не удалось завершить ("},
    {"the write was made, but it may not survive a power cut (",
     "запись сделана, но может не сохраниться при отключении питания ("},
    {"); nothing was written", "); ничего не записано"},
    {"not a journal this program wrote for ", "не журнал записи этой программы для "},
    {"); it was neither replayed nor deleted, and nothing was written. ",
     "); он не применён и не удалён, ничего не записано. "},
    {"); it is left as it is, neither replayed nor deleted", "); он оставлен как есть, не применён и не удалён"},
    {"Check the table with `ter5tool verify`, then move the file away",
     "Проверьте таблицу командой `ter5tool verify`, затем уберите файл"},
    {"; writes to the table are refused while it is there", "; пока он там, запись в таблицу невозможна"},
    {"is a symbolic link to ", "символическая ссылка на "},
    {"; a write would turn it into a copy of its own and leave ",
     "; запись превратила бы её в отдельную копию и оставила бы "},
    {" as it was, so nothing was written. Write the table where it lies",
     " как было, поэтому ничего не записано. Записывайте таблицу там, где она лежит"},
    {"cannot read: it is a directory, not a regular file", "не удаётся прочитать: это каталог, а не обычный файл"},
    {"cannot read: it is a FIFO, not a regular file", "не удаётся прочитать: это канал, а не обычный файл"},
    {"cannot read: it is a device, not a regular file", "не удаётся прочитать: это устройство, а не обычный файл"},
    {"cannot read: it is a socket, not a regular file", "не удаётся прочитать: это сокет, а не обычный файл"},
    {"cannot read: it is not a regular file", "не удаётся прочитать: это не обычный файл"},
    {"cannot read: ", "не удаётся прочитать: "},
    {"cannot flush the directory to disk: ", "не удаётся сбросить каталог на диск: "},
    {"cannot read the new file's attributes: ", "не удаётся прочитать атрибуты нового файла: "},
    {"cannot read the extended attributes of ", "не удаётся прочитать расширенные атрибуты файла "},
    {"cannot read the extended attribute ", "не удаётся прочитать расширенный атрибут "},
    {"cannot give the new file the extended attribute ", "не удаётся дать новому файлу расширенный атрибут "},
    {"cannot give the new file the group ", "не удаётся дать новому файлу группу "},
    {"cannot give the new file the mode ", "не удаётся дать новому файлу права "},
    {" of the file it replaces: ", " заменяемого файла: "},
    {"read error", "ошибка чтения"},
    {"write failed: ", "ошибка записи: "},
    {"cannot create a temporary file: ", "не удаётся создать временный файл: "},
    {"cannot replace the file: ", "не удаётся заменить файл: "},
    {"cannot delete: ", "не удаётся удалить: "},
    {"cannot complete an interrupted write: ", "не удаётся завершить прерванную запись: "},
    {"cannot remove the journal of an interrupted write: ", "не удаётся удалить журнал прерванной записи: "},
    {"cannot read '", "не удаётся прочитать '"},
    {" cannot be made: ", " не удаётся создать: "},
    {"no lock file could be made beside it", "рядом с ней не удаётся создать файл блокировки"},
    {" is not writable", " закрыт для записи"},
    {"the table is damaged (", "таблица повреждена ("},
    {"); nothing was written. `ter5tool verify` lists the damage",
     "); ничего не записано, повреждения перечисляет `ter5tool verify`"},
    {"the table was changed by another user while posted rows were pending; they were not written",
     "таблицу изменил другой пользователь, пока сохранённые строки ждали записи; они не записаны"},
    {"the write stopped half-way (", "запись прервалась на середине ("},
    {"); it is completed when the table is next opened", "); она будет завершена при следующем открытии таблицы"},
    {"; it is deleted when the table is next opened", "; он будет удалён при следующем открытии таблицы"},
    {"temporary file left by an interrupted write; the next write to the table removes it",
     "временный файл прерванной записи; следующая запись в таблицу удалит его"},
    {"keyed table without its primary index file (.PX): other programs cannot open it; ",
     "ключевая таблица без файла первичного индекса (.PX): другие программы не смогут её открыть; "},
    {"a reindex or `ter5tool index add --primary` rebuilds it",
     "его восстановит переиндексация или `ter5tool index add --primary`"},
    {", a reindex rebuilds the index files", ", переиндексация восстановит индексные файлы"},
    {" is missing; the table can only be opened exclusively", " отсутствует; таблицу можно открыть только монопольно"},
    {"corrupt header: ", "повреждён заголовок: "},
    {"corrupt block chain: block ", "повреждена цепочка блоков: блок "},
    {"corrupt block ", "повреждён блок "},
    {"corrupt index: ", "повреждён индекс: "},
    {"truncated file: the last block's records run past the end of the file",
     "файл обрезан: записи последнего блока выходят за конец файла"},
    {"truncated file: ", "файл обрезан: "},
    {"not a Paradox file: too short for a header (", "не файл Paradox: слишком короткий для заголовка ("},
    {"not a Paradox file: unknown file kind ", "не файл Paradox: неизвестный вид файла "},
    {"not a table (.DB) file", "не файл таблицы (.DB)"},
    {"not a Paradox blob file", "не файл мемо-полей Paradox"},
    {"not a B-tree index file (file kind ", "не индексный файл (вид файла "},
    {"not a secondary index file (file kind ", "не файл вторичного индекса (вид файла "},
    {"not a secondary index file", "не файл вторичного индекса"},
    {"not a primary index file", "не файл первичного индекса"},
    {"unsupported Paradox version byte ", "неподдерживаемая версия Paradox, байт "},
    {"unsupported code page ", "неподдерживаемая кодовая страница "},
    {"unknown code page '", "неизвестная кодовая страница '"},
    {"unknown field type ", "неизвестный тип поля "},
    {"block size ", "размер блока "},
    {"header size ", "размер заголовка "},
    {"record size ", "размер записи "},
    {"first block ", "первый блок "},
    {"lies beyond the end of the file", "лежит за концом файла"},
    {"lies outside the file", "лежит вне файла"},
    {"runs past the end of the file", "выходит за конец файла"},
    {" is cut short", " обрезан"},
    {"records but the table has no blocks", "записей, но в таблице нет блоков"},
    // Data sets, fields and indexes.
    {"Type mismatch for field '", "Несоответствие типа поля '"},
    {"', expecting: ", "': нужен тип "},
    {" actual: ", ", а в таблице "},
    {"type mismatch: field '", "несоответствие типа: поле '"},
    {"type mismatch: ", "несоответствие типа: "},
    {"Index does not exist. Fields: ", "Индекс не существует. Поля: "},
    {"Key violation: two records have the same key", "Нарушение ключа: у двух записей одинаковый ключ"},
    {"Key violation: records ", "Нарушение ключа: записи "},
    {" in key order have the same key", " по порядку ключа имеют одинаковый ключ"},
    {" have the same key", " имеют одинаковый ключ"},
    {"Cannot modify a read-only dataset", "Набор данных только для чтения и не может быть изменён"},
    {"Cannot perform this operation on a closed dataset", "Операция невозможна: набор данных закрыт"},
    {"Cannot perform this operation on an empty dataset", "Операция невозможна: набор данных пуст"},
    {"Couldn't perform the edit because another user changed the record",
     "Изменение не выполнено: запись изменил другой пользователь"},
    {"Dataset not in edit or insert mode", "Набор данных не в режиме правки или вставки"},
    {"' cannot be modified (auto-increment)", "' нельзя изменить (автоинкремент)"},
    {"' does not exist in the table", "' нет в таблице"},
    {"' does not exist", "' не существует"},
    {"' not found", "' не найдено"},
    {"Field '", "Поле '"},
    {"field '", "поле '"},
    {"field name '", "имя поля '"},
    {"' is defined twice (ignoring case)", "' задано дважды (без учёта регистра)"},
    {"' is named twice", "' названо дважды"},
    {"' is longer than ", "' длиннее "},
    {"a table needs 1 to 255 fields", "в таблице должно быть от 1 до 255 полей"},
    {"a table needs at least one field", "в таблице должно быть хотя бы одно поле"},
    {"a field has no name", "у поля нет имени"},
    {" field size ", " поле размера "},
    {" out of range", " вне допустимого диапазона"},
    {"an index needs at least one field", "в индексе должно быть хотя бы одно поле"},
    {"the index needs a name", "у индекса должно быть имя"},
    {"index name '", "имя индекса '"},
    {"index field '", "поле индекса '"},
    {"' is a blob field and cannot be an index field", "' — мемо-поле и не может входить в индекс"},
    {"primary index fields must be the table's leading fields ('",
     "поля первичного индекса должны быть первыми полями таблицы ('"},
    {"a table has one primary index", "у таблицы может быть только один первичный индекс"},
    {"primary index has no fields", "в первичном индексе нет полей"},
    {"a named, composite or case-insensitive index needs a 4.x or later table",
     "именованному, составному или нечувствительному к регистру индексу нужна таблица версии 4.x или новее"},
    {"no free .XGn file number for another index", "нет свободного номера файла .XGn для ещё одного индекса"},
    {"the table has no primary key", "у таблицы нет первичного ключа"},
    {"index key of ", "ключ индекса из "},
    {" bytes is too large for an index block", " байт не помещается в индексный блок"},
    {"the index needs more blocks than a file can address", "индексу нужно больше блоков, чем может быть в файле"},
    {"table full: ", "таблица переполнена: "},
    {" records need more than 65535 blocks of ", " записей требуют больше 65535 блоков по "},
    {"blob file would exceed 4 GB", "файл мемо-полей превысил бы 4 ГБ"},
    {"' cannot be stored in code page ", "' нельзя записать в кодовой странице "},
    {"invalid UTF-8 in text at byte ", "неверный UTF-8 в тексте, байт "},
    {"infinite or NaN number cannot be stored", "бесконечное или неопределённое число нельзя записать"},
    {"no table name given", "не указано имя таблицы"},
    {"record number ", "номер записи "},
    {" bytes", " байт"},
    {" records", " записей"},
    {" blocks", " блоков"},
    {"master key: ", "ключ главной таблицы: "},
    // The SQL subset.
    {"Invalid SQL: unknown column '", "Ошибка в SQL: неизвестный столбец '"},
    {"Invalid SQL: unknown table '", "Ошибка в SQL: неизвестная таблица '"},
    {"Invalid SQL: LIKE needs a text column, '", "Ошибка в SQL: для LIKE нужен текстовый столбец, '"},
    {"Invalid SQL: cannot order by the binary column '", "Ошибка в SQL: нельзя упорядочить по двоичному столбцу '"},
    {"Invalid SQL: ", "Ошибка в SQL: "},
    {"unexpected text", "лишний текст"},
    {"' after closing quote", "' после закрывающей кавычки"},
    {"at the end of the query", "в конце запроса"},
    {"expected a table name", "ожидалось имя таблицы"},
    {"expected a column name", "ожидалось имя столбца"},
    {"LIKE needs a quoted pattern", "для LIKE нужен образец в кавычках"},
    {"only LIKE conditions are supported", "поддерживаются только условия LIKE"},
    {"only one condition is supported", "поддерживается только одно условие"},
    {"empty query", "пустой запрос"},
    // The GIS export.
    {"GDAL has no driver '", "в GDAL нет драйвера '"},
    {"cannot create the file", "не удаётся создать файл"},
    {"cannot complete the file", "не удаётся завершить файл"},
    {"cannot create layer '", "не удаётся создать слой '"},
    {"cannot complete layer '", "не удаётся завершить слой '"},
    {"cannot create field '", "не удаётся создать поле '"},
    {"cannot write feature ", "не удаётся записать объект "},
    {"cannot write into the folder: ", "не удаётся записать в папку: "},
    {"cannot create a staging folder", "не удаётся создать временную папку"},
    {"the folder does not exist", "папка не существует"},
    {"is a folder, not a file name", "это папка, а не имя файла"},
    {"the base has no parcel vertices; there is nothing to export", "в базе нет точек участков: экспортировать нечего"},
    {"not a base: ", "не база: "},
    {" is missing", " отсутствует"},
    {"no parcel with Code ", "нет участка с кодом "},
    {" carries none of the layers asked for", " не вмещает ни одного из выбранных слоёв"},
    {" carries no table without geometry: the owners are left out",
     " не вмещает таблицу без геометрии: владельцы не экспортированы"},
    {" keeps the geometry and the layer names only, no attributes",
     " хранит только геометрию и имена слоёв, без атрибутов"},
    {" holds longitude and latitude: the reference system of the base's coordinates is needed",
     " хранит долготу и широту: нужна система координат базы"},
    {"no reference system given: the layers carry none; x is the survey Y (east) and y the survey X (north), in metres",
     "система координат не задана: слои без неё; x — это Y съёмки (восток), y — X съёмки (север), в метрах"},
    {"unknown reference system '", "неизвестная система координат '"},
    {"unknown format '", "неизвестный формат '"},
    {"': GDAL has no driver of that name", "': в GDAL нет такого драйвера"},
    {"' cannot write vector data", "' не записывает векторные данные"},
    {"GDAL's driver '", "драйвер GDAL '"},
    {"no extension to tell the format by; use ", "нет расширения, по которому узнать формат; укажите "},
    {" or --format with a GDAL driver name", " или --format с именем драйвера GDAL"},
    // The file system and the C library.
    {"filesystem error: ", "ошибка файловой системы: "},
    {"cannot create directories", "не удаётся создать каталоги"},
    {"cannot create directory", "не удаётся создать каталог"},
    {"cannot remove all", "не удаётся удалить со всем содержимым"},
    {"cannot remove", "не удаётся удалить"},
    {"cannot rename", "не удаётся переименовать"},
    {"cannot copy file", "не удаётся скопировать файл"},
    {"cannot copy", "не удаётся скопировать"},
    {"cannot set permissions", "не удаётся установить права"},
    {"directory iterator cannot open directory", "не удаётся открыть каталог"},
    {"cannot get file size", "не удаётся узнать размер файла"},
    {"cannot get current path", "не удаётся узнать текущий каталог"},
    {"cannot set current path", "не удаётся перейти в каталог"},
    {"Permission denied", "отказано в доступе"},
    {"No such file or directory", "нет такого файла или каталога"},
    {"Read-only file system", "файловая система только для чтения"},
    {"No space left on device", "на устройстве не осталось места"},
    {"Disk quota exceeded", "превышена дисковая квота"},
    {"File exists", "файл уже существует"},
    {"Directory not empty", "каталог не пуст"},
    {"Is a directory", "это каталог"},
    {"Not a directory", "это не каталог"},
    {"Device or resource busy", "устройство или ресурс заняты"},
    {"Input/output error", "ошибка ввода-вывода"},
    {"Too many open files", "слишком много открытых файлов"},
    {"Operation not permitted", "операция не разрешена"},
    {"File name too long", "слишком длинное имя файла"},
    {"Invalid argument", "неверный аргумент"},
    {"Resource temporarily unavailable", "ресурс временно недоступен"},
    {"Invalid cross-device link", "перемещение между разными устройствами"},
    {"Stale file handle", "устаревший дескриптор файла"},
    {"Connection timed out", "время соединения истекло"},
};

// The export's counting notes, rewritten whole: the count moves after a colon.
struct Rewrite {
    const char* Pattern;
    const char* Russian;  // $1 is the count
};

const Rewrite kRewrites[] = {
    {R"(^(\d+) vertex rows? belongs? to no parcel and (is|are) not exported$)",
     "Строк точек без участка (не экспортированы): $1"},
    {R"(^(\d+) parcels? ends? in an open ring, closed for the polygon and marked Unclosed$)",
     "Участков с незамкнутым контуром (замкнуты в полигоне, отмечены Unclosed): $1"},
    {R"(^(\d+) rings? ha(s|ve) fewer than 3 corners and bound no area: left out of the polygons$)",
     "Контуров меньше чем из 3 углов, без площади (не вошли в полигоны): $1"},
    {R"(^(\d+) parcels? ha(s|ve) no polygon$)", "Участков без полигона: $1"},
    {R"(^(\d+) texts? (was|were) longer than (\d+) bytes and cut \(the limit of (.*)\)$)",
     "Текстов длиннее $3 байт, обрезанных (предел формата $4): $1"},
    {R"(^(\d+) binary fields? of the owner table not exported$)",
     "Двоичных полей таблицы владельцев (не экспортированы): $1"},
};

bool IsLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// The phrases longest first, so that a phrase is not cut by a shorter one inside it.
const std::vector<Phrase>& PhrasesLongestFirst() {
    static const std::vector<Phrase> phrases = [] {
        std::vector<Phrase> sorted(std::begin(kPhrases), std::end(kPhrases));
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Phrase& a, const Phrase& b) { return a.English.size() > b.English.size(); });
        return sorted;
    }();
    return phrases;
}

// Whether `phrase` stands at `at` of `text` as whole words.
bool StandsAt(std::string_view text, std::size_t at, std::string_view phrase) {
    if (text.compare(at, phrase.size(), phrase) != 0) return false;
    if (IsLetter(phrase.front()) && at > 0 && IsLetter(text[at - 1])) return false;
    const std::size_t end = at + phrase.size();
    return !(IsLetter(phrase.back()) && end < text.size() && IsLetter(text[end]));
}

}  // namespace

std::string RussianMessage(std::string_view message) {
    const std::string whole(message);
    for (const Rewrite& rewrite : kRewrites) {
        const std::regex pattern(rewrite.Pattern);
        if (std::regex_match(whole, pattern)) return std::regex_replace(whole, pattern, rewrite.Russian);
    }
    std::string out;
    out.reserve(message.size() * 2);
    std::size_t at = 0;
    while (at < message.size()) {
        const Phrase* found = nullptr;
        for (const Phrase& phrase : PhrasesLongestFirst()) {
            if (StandsAt(message, at, phrase.English)) {
                found = &phrase;
                break;
            }
        }
        if (found) {
            out += found->Russian;
            at += found->English.size();
        } else {
            out += message[at++];
        }
    }
    return out;
}

std::string UserErrorText(const std::exception& error) {
    const auto* busy = dynamic_cast<const engine::TableBusyError*>(&error);
    if (!busy) return RussianMessage(error.what());
    if (busy->Program().empty()) return "Таблица " + busy->Table() + " занята другой программой";
    std::string text = "Таблица " + busy->Table() + " занята программой " + busy->Program();
    if (busy->Pid() != 0) text += " (процесс " + std::to_string(busy->Pid()) + ")";
    return text;
}

}  // namespace ter5::base
