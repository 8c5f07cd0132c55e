#include "wizard/texts.h"

#include <cctype>
#include <cstdlib>

namespace sorvane {

namespace {

struct ControlText {
    const char* control;
    const char* text;
};

// Turkish mode's control texts, in the order they are set.
const ControlText kTurkishControlTexts[] = {
    {"Button3", "< Geri"},
    {"Button2", "İleri >"},
    {"Button1", "İptal"},
    {"Label1", "%APP_NAME% Kurulum Sihirbazına Hoşgeldiniz"},
    {"Label2",
     "Bu sihirbaz size %APP_NAME% kurulumu boyunca rehberlik edecek.\r\n\r\nKuruluma başlamadan "
     "önce diğer uygulamaları kapatmanız tavsiye edilir. Bu işlem, ilgili sistem dosyalarının "
     "bilgisayarınızın yeniden başlatılmasına gerek duyulmadan güncellenmesine olanak "
     "sağlayacaktır.\r\n\r\nDevam etmek için İleri düğmesine basın."},
    {"Label11", "Kurulum Klasörünü Seçin"},
    {"Label12", "%APP_NAME% aşağıdaki klasöre kurulacaktır"},
    {"Label8", "Kurulum klasörü:"},
    {"Button4", "Gözat..."},
    {"Label9",
     "Başka bir klasöre kurmak isterseniz, Gözat düğmesine basın ve bir klasör seçin.\r\n\r\n"
     "Devam etmek için İleri düğmesine basın."},
    {"Label14", "Özet"},
    {"Label15", "%APP_NAME% kurulumu hazır"},
    {"Label10",
     "%APP_NAME% kurulumu hazır durumda.\r\n\r\nKurulumu tamamlamak için Kur düğmesine basın"},
    {"Label13", "Kurulacak uygulama:"},
    {"Label17", "Konumu:"},
    {"Label30", "Kuruluyor..."},
    {"Label31", "Kurulum başladı"},
    {"Label28", "Kurulum Tamamlandı"},
};

// The text slots of the session, in one language mode.
struct SlotTexts {
    const char* ExitConfirmText;
    const char* NextCaption;
    const char* InstallCaption;
    const char* FinishCaption;
    const char* StatusPreparingFolders;
    const char* StatusCopyingFiles;
    const char* StatusCreatingShortcuts;
    const char* StatusWritingRegistry;
};

const SlotTexts kDefaultSlots = {
    "Kurulum sihirbazından çıkmak istediğinize emin misiniz?",
    "&İleri >",
    "&Kur",
    "&Son",
    "Klasörler hazırlanıyor...",
    "Dosyalar kopyalanıyor...",
    "Masa üstü kısa yolları oluşturuluyor...",
    "Kayıt defteri anahtarları düzenleniyor...",
};

const SlotTexts kTurkishSlots = {
    "%app% kurulumundan çıkmak istediğinize eminmisiniz?",
    "&İleri >",
    "K&ur",
    "&Kapat",
    "Klasörler hazırlanıyor...",
    "Dosyalar kopyalanıyor...",
    "Masa üstü kısayolları oluşturuluyor...",
    "Kayıt anahtarları oluşturuluyor...",
};

void AssignSlots(SetupSession& s, const SlotTexts& t) {
    s.ExitConfirmText = t.ExitConfirmText;
    s.NextCaption = t.NextCaption;
    s.InstallCaption = t.InstallCaption;
    s.FinishCaption = t.FinishCaption;
    s.StatusPreparingFolders = t.StatusPreparingFolders;
    s.StatusCopyingFiles = t.StatusCopyingFiles;
    s.StatusCreatingShortcuts = t.StatusCreatingShortcuts;
    s.StatusWritingRegistry = t.StatusWritingRegistry;
}

const char* const kPlaceholderLabels[] = {"Label1",  "Label2",  "Label15",
                                          "Label10", "Label22", "Label12"};

}  // namespace

std::uint32_t KeyboardLayoutId(Os& os) {
    const std::string name = os.GetKeyboardLayoutName();
    if (name.empty() || name.size() > 8) return 0;
    for (char c : name)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return 0;
    return static_cast<std::uint32_t>(std::strtoul(name.c_str(), nullptr, 16));
}

void LoadDefaultTexts(SetupSession& s) {
    AssignSlots(s, kDefaultSlots);
}

void ApplyLanguage(Os& os, SetupSession& s, ui::Form& form) {
    s.LanguageCode = KeyboardLayoutId(os) == kTurkishQLayout ? "TR" : "EN";
    if (s.LanguageCode != "TR") return;
    AssignSlots(s, kTurkishSlots);
    form.SetText("Sorvane Kurulumu");
    for (const ControlText& t : kTurkishControlTexts)
        if (ui::Control* c = form.Find(t.control)) c->SetText(t.text);
}

void FillAppNamePlaceholders(ui::Form& form) {
    static const std::string kPlaceholder = "%APP_NAME%";
    for (const char* name : kPlaceholderLabels) {
        ui::Control* label = form.Find(name);
        if (!label) continue;
        std::string text = label->text();
        const std::size_t at = text.find(kPlaceholder);
        if (at == std::string::npos) continue;
        text.replace(at, kPlaceholder.size(), kProductName);
        label->SetText(text);
    }
}

std::string FillAppPlaceholder(const std::string& text, const std::string& app_name) {
    static const std::string kPlaceholder = "%app%";
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(kPlaceholder, from)) != std::string::npos;) {
        out.append(text, from, at - from).append(app_name);
        from = at + kPlaceholder.size();
    }
    return out.append(text, from, std::string::npos);
}

}  // namespace sorvane
