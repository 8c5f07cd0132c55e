// The helper's texts, UTF-8.
#pragma once

#include "payloads/common/language.h"

namespace sorvane::payloads {

inline constexpr const char* kHelperTitle = "Sorvane";

inline const char* ConfirmRegistrationText(Language language) {
    return language == Language::Turkish ? "Sorvane ağ bileşeni Windows'a kaydedilsin mi?"
                                         : "Register the Sorvane network component with Windows?";
}

inline const char* BadCommandLineText(Language language) {
    return language == Language::Turkish
               ? "Geçersiz komut satırı.\nKullanım: _marrow.exe <pencere> <dll yolu> I[Y] | U[Y]"
               : "Invalid command line.\nUsage: _marrow.exe <window> <dll path> I[Y] | U[Y]";
}

inline const char* MissingProviderText(Language language) {
    return language == Language::Turkish ? "Ağ bileşeni dosyası bulunamadı:\n"
                                         : "The network component file was not found:\n";
}

inline const char* CatalogueFailedText(Language language) {
    return language == Language::Turkish
               ? "Ağ bileşeni kaydı değiştirilemedi. Hata kodu: "
               : "The network component registration could not be changed. Error code: ";
}

}  // namespace sorvane::payloads
