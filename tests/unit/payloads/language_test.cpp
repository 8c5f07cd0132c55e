#include "payloads/common/language.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace sorvane::payloads {
namespace {

constexpr Language kTr = Language::Turkish;
constexpr Language kEn = Language::English;

// What Notepad writes as "Unicode": a byte order mark, then UTF-16LE.
std::string Utf16(const char* ascii) {
    std::string out = "\xFF\xFE";
    for (; *ascii; ++ascii) {
        out.push_back(*ascii);
        out.push_back('\0');
    }
    return out;
}

struct Case {
    const char* name;
    std::string text;
    Language expected;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class LanguageFromSettingsTest : public testing::TestWithParam<Case> {};

TEST_P(LanguageFromSettingsTest, ChoosesLanguage) {
    EXPECT_EQ(LanguageFromSettings(GetParam().text), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    WhatTheSetupWrites, LanguageFromSettingsTest,
    testing::Values(Case{"turkish", "[Ayarlar]\r\nLanguage=turkce.lng\r\n", kTr},
                    Case{"english", "[Ayarlar]\r\nLanguage=english.lng\r\n", kEn},
                    Case{"unix line ends", "[Ayarlar]\nLanguage=turkce.lng", kTr},
                    Case{"other keys around", "[Ayarlar]\nTheme=1\nLanguage=turkce.lng\nX=2\n",
                         kTr}));

INSTANTIATE_TEST_SUITE_P(
    AsTheProfileFunctionsRead, LanguageFromSettingsTest,
    testing::Values(Case{"names without case", "[AYARLAR]\nlanguage=TURKCE.LNG\n", kTr},
                    Case{"blanks around", "  [ Ayarlar ]  \n\t Language \t=  turkce.lng \t\n", kTr},
                    Case{"quoted value", "[Ayarlar]\nLanguage=\"turkce.lng\"\n", kTr},
                    Case{"first key wins", "[Ayarlar]\nLanguage=english.lng\nLanguage=turkce.lng\n",
                         kEn},
                    Case{"only the first section counts",
                         "[Ayarlar]\nTheme=1\n[Ayarlar]\nLanguage=turkce.lng\n", kEn},
                    Case{"comment is no key", "[Ayarlar]\n;Language=turkce.lng\n", kEn},
                    Case{"utf-8 bom", "\xEF\xBB\xBF[Ayarlar]\nLanguage=turkce.lng\n", kTr},
                    Case{"utf-16 with bom", Utf16("[Ayarlar]\r\nLanguage=turkce.lng\r\n"), kTr},
                    Case{"utf-16 english", Utf16("[Ayarlar]\r\nLanguage=english.lng\r\n"), kEn}));

INSTANTIATE_TEST_SUITE_P(
    AnythingElseIsEnglish, LanguageFromSettingsTest,
    testing::Values(Case{"no file", "", kEn}, Case{"no section", "Language=turkce.lng\n", kEn},
                    Case{"other section", "[Genel]\nLanguage=turkce.lng\n", kEn},
                    Case{"key after leaving section",
                         "[Ayarlar]\nX=1\n[Genel]\nLanguage=turkce.lng\n", kEn},
                    Case{"near miss value", "[Ayarlar]\nLanguage=turkce.lngx\n", kEn},
                    Case{"value without extension", "[Ayarlar]\nLanguage=turkce\n", kEn},
                    Case{"empty value", "[Ayarlar]\nLanguage=\n", kEn},
                    Case{"unclosed section", "[Ayarlar\nLanguage=turkce.lng\n", kEn},
                    Case{"binary junk", std::string("\0\x01\xFE[\n=\n", 7), kEn}));

}  // namespace
}  // namespace sorvane::payloads
