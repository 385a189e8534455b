#include "engine/FieldType.h"

#include <gtest/gtest.h>

#include "engine/EngineError.h"

namespace ter5::engine {

TEST(FieldType, SixteenTemplateLettersRoundTrip) {
    const std::string letters = "ASILN$#DTY@+BMGO";
    ASSERT_EQ(letters.size(), 16u);
    for (char c : letters) {
        auto type = FieldTypeFromLetter(c);
        ASSERT_TRUE(type.has_value()) << c;
        EXPECT_EQ(FieldTypeLetter(*type), c);
    }
    EXPECT_FALSE(FieldTypeFromLetter('a'));  // letters compare exactly
    EXPECT_FALSE(FieldTypeFromLetter('F'));
    EXPECT_FALSE(FieldTypeLetter(FieldType::FmtMemo));  // formatted memo imports with no letter
}

TEST(FieldType, StorageSizes) {
    EXPECT_EQ(FieldStorageSize(FieldType::Alpha, 255), 255);
    EXPECT_EQ(FieldStorageSize(FieldType::Number, 0), 8);
    EXPECT_EQ(FieldStorageSize(FieldType::Bcd, 2), 17);
    EXPECT_EQ(FieldStorageSize(FieldType::Memo, 1), 11);
    EXPECT_EQ(FieldStorageSize(FieldType::Graphic, 1), 11);
    EXPECT_THROW(FieldStorageSize(FieldType::Graphic, 0), EngineError);  // a leader holds at least one byte
    EXPECT_THROW(FieldStorageSize(FieldType::Alpha, 0), EngineError);
    EXPECT_THROW(FieldStorageSize(FieldType::Alpha, 256), EngineError);
}

}  // namespace ter5::engine
