// The uninstaller's texts, UTF-8.
#pragma once

#include "payloads/common/language.h"

namespace sorvane::payloads {

inline constexpr const char* kUninstallTitle = "Sorvane";

inline const char* ConfirmUninstallText(Language language) {
    return language == Language::Turkish
               ? "Sorvane ve tüm bileşenleri bilgisayarınızdan kaldırılsın mı?"
               : "Remove Sorvane and all of its components from this computer?";
}

inline const char* UninstalledText(Language language) {
    return language == Language::Turkish ? "Sorvane bilgisayarınızdan kaldırıldı."
                                         : "Sorvane was removed from this computer.";
}

inline const char* UninstalledAtRestartText(Language language) {
    return language == Language::Turkish
               ? "Sorvane bilgisayarınızdan kaldırıldı. Kaldırma işlemini tamamlamak için "
                 "bilgisayarınızı yeniden başlatın."
               : "Sorvane was removed from this computer. Restart the computer to complete the "
                 "removal.";
}

inline const char* PartlyUninstalledText(Language language) {
    return language == Language::Turkish
               ? "Sorvane kaldırıldı, ancak bazı öğeler silinemedi."
               : "Sorvane was removed, but some items could not be deleted.";
}

inline const char* BadUninstallCommandText(Language language) {
    return language == Language::Turkish
               ? "Geçersiz komut satırı.\nKullanım: Uninstall.exe -uninstall [-f]"
               : "Invalid command line.\nUsage: Uninstall.exe -uninstall [-f]";
}

}  // namespace sorvane::payloads
