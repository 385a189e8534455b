// dBASE limits: field names of at most 10 bytes by a fixed renaming, texts cut at a
// character boundary.
#include <gtest/gtest.h>

#include "exchange/FieldNames.h"

namespace ter5::exchange {
namespace {

TEST(FieldNames, FixedRenamingOfLongNames) {
    // The exported layers' fields: only IdentificationCode is too long.
    EXPECT_EQ(ShortFieldNames({"Code", "House", "IdentificationCode", "PutNumber", "FromNumber", "Adr_House"}),
              (std::vector<std::string>{"Code", "House", "IdentCode", "PutNumber", "FromNumber", "Adr_House"}));
    // Other long names are cut; a cut name that repeats an earlier one, ignoring case,
    // ends in _1, _2 …
    EXPECT_EQ(ShortFieldNames({"OwnerAddress1", "OwnerAddress2", "owneraddress3", "OwnerAddr_1"}),
              (std::vector<std::string>{"OwnerAddre", "OwnerAdd_1", "owneradd_2", "OwnerAddr_"}));
    EXPECT_EQ(ShortFieldNames({"Code", "code"}), (std::vector<std::string>{"Code", "code_1"}));
    // Cyrillic names: 2 bytes a letter, never cut inside one.
    EXPECT_EQ(ShortFieldNames({"Примечание", "Примерка"}), (std::vector<std::string>{"Приме", "Прим_1"}));
}

TEST(FieldNames, TextsCutAtCharacterBoundaries) {
    EXPECT_EQ(CutUtf8("Иванов", 5), "Ив");
    EXPECT_EQ(CutUtf8("Иванов", 12), "Иванов");
    EXPECT_EQ(CutUtf8("abc", 2), "ab");
    EXPECT_EQ(CutUtf8("", 0), "");
}

}  // namespace
}  // namespace ter5::exchange
