#include <gtest/gtest.h>

#include "support/wizard_fixture.h"
#include "wizard/texts.h"
#include "wizard/wizard_resources.h"

namespace sorvane::test {
namespace {

class LanguageMode : public ::testing::Test, public WizardFixture {};

TEST_F(LanguageMode, TurkishQLayoutGivesTurkishMode) {
    os.keyboard_layout = "0000041F";
    Form().FormCreate();
    EXPECT_EQ(session.LanguageCode, "TR");
    EXPECT_EQ(Form().text(), "Sorvane Kurulumu");
    EXPECT_EQ(Form().Button1.text(), "İptal");
    EXPECT_EQ(session.FinishCaption, "&Kapat");
    EXPECT_EQ(session.InstallCaption, "K&ur");
    // The placeholder is filled at the end of the creation.
    EXPECT_EQ(Form().Label1.text(), "Sorvane Kurulum Sihirbazına Hoşgeldiniz");
    // Every page's texts, the last of the list included.
    EXPECT_EQ(Form().Find("Label12")->text(), "Sorvane aşağıdaki klasöre kurulacaktır");
    EXPECT_EQ(Form().Button4.text(), "Gözat...");
    EXPECT_EQ(Form().Label17.text(), "Konumu:");
    EXPECT_EQ(Form().Find("Label30")->text(), "Kuruluyor...");

    os.box_answers = {kIdNo};
    Form().CloseWizard(false);
    ASSERT_EQ(os.boxes.size(), 1u);
    EXPECT_EQ(os.boxes[0].text, "Sorvane kurulumundan çıkmak istediğinize eminmisiniz?");
    EXPECT_EQ(os.boxes[0].caption, "Sorvane Kurulumu");
    EXPECT_EQ(os.boxes[0].owner, Form().native);
    EXPECT_FALSE(Form().quit_requested());  // No keeps the wizard
}

TEST_F(LanguageMode, EveryOtherLayoutGivesEnglishMode) {
    for (const char* layout : {"0001041F", "00000409", "0000041f0", "", "zz"}) {
        os.keyboard_layout = layout;
        form.reset();
        session = SetupSession{};
        Form().FormCreate();
        EXPECT_EQ(session.LanguageCode, "EN") << layout;
        EXPECT_EQ(Form().text(), "Sorvane Installation") << layout;
        EXPECT_EQ(Form().Button1.text(), "Vazgeç") << layout;
        EXPECT_EQ(session.FinishCaption, "&Son") << layout;
        EXPECT_EQ(session.StatusWritingRegistry, "Kayıt defteri anahtarları düzenleniyor...");
    }
    EXPECT_EQ(Form().Panel1.text(), "Version v2.2.08");
    EXPECT_EQ(Form().PageControl1.active_index(), 0);
    EXPECT_EQ(Form().Label22.text(), "Sorvane");  // the stored placeholder, filled
}

TEST(Placeholders, AppFillsEveryOccurrenceAppNameOnlyTheFirst) {
    EXPECT_EQ(FillAppPlaceholder("%app% and %app%%app", "S"), "S and S%app");
    ui::Form form("f", {});
    ui::Control& label =
        form.AddControl(ui::Kind::Label, "Label15", &form, {}, "%APP_NAME% %APP_NAME% %app_name%");
    FillAppNamePlaceholders(form);
    EXPECT_EQ(label.text(), "Sorvane %APP_NAME% %app_name%");
}

TEST(Licence, ThePackedTextIsShownWithCrLfAndADamagedOneNotAtAll) {
    const std::vector<std::uint8_t> packed = Deflate(Bytes("LİSANS\nbir satır\r\nson\n"), 9);
    for (std::size_t cut : {std::size_t{0}, std::size_t{4}}) {
        WizardFixture w;
        w.os.resources[kLicenceTextResource].assign(packed.begin(), packed.end() - cut);
        EXPECT_EQ(w.Form().Memo1.text(), cut ? "" : "LİSANS\r\nbir satır\r\nson\r\n") << cut;
    }
    std::vector<std::uint8_t> trailing = packed;
    trailing.push_back(0);
    WizardFixture w;
    w.os.resources[kLicenceTextResource] = trailing;
    EXPECT_EQ(w.Form().Memo1.text(), "");
}

}  // namespace
}  // namespace sorvane::test
