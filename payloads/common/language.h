// The language the product's programs speak, chosen by the client's settings file.
#pragma once

#include <string_view>

namespace sorvane::payloads {

enum class Language { English, Turkish };

// Reads [Ayarlar] Language= from the text of "datax\kayit.dat" the way the profile
// functions would (names without case, first match wins, blanks and one pair of
// quotes around the value dropped). "turkce.lng" means Turkish; any other value, a
// missing key or unreadable text means English.
Language LanguageFromSettings(std::string_view settings_text);

}  // namespace sorvane::payloads
