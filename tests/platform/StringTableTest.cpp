#include <gtest/gtest.h>

#include <string>

#include "StringTable.h"
#include "UserInterface.h"

TEST(StringTable, LooksUpGermanTextsAndUnknownIds) {
    EXPECT_STREQ(strings::German(128), "Tesselo");
    EXPECT_STREQ(strings::German(57344), "Veltrano");
    EXPECT_STREQ(strings::German(-1), "");
    EXPECT_STREQ(strings::German(129), "");
}

TEST(StringTable, InstalledTranslatorReplacesTexts) {
    strings::SetTranslator([](const char* context, const char* german) {
        return std::string(context) + ":" + german;
    });
    EXPECT_EQ(strings::Load(128), "StringTable:Tesselo");
    EXPECT_EQ(strings::Load(4711), "");  // unknown ids stay empty, untranslated
    strings::SetTranslator(nullptr);
    EXPECT_EQ(strings::Load(128), "Tesselo");
}

TEST(UserInterface, SilentImplementationAnswersTheFirstButton) {
    EXPECT_EQ(ui::Message("x", ui::Buttons::YesNo), ui::Answer::Yes);
    EXPECT_EQ(ui::Message("x"), ui::Answer::Ok);
    EXPECT_FALSE(ui::Get().EscapePressed());
}
