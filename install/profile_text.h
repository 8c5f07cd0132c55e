// The client's settings file is a profile file: sections in brackets and key=value lines.
// The setup changes one value in it and keeps everything else as it stands.
#pragma once

#include <string>

namespace sorvane {

// |text| with |key| in |section| set to |value|, as the system's profile service writes
// it: section and key found without regard to letter case, the key's line replaced in
// place, a missing key added after the section's last line, a missing section added at
// the end; every other line kept. Lines end with CR LF.
std::string ProfileWithValue(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value);

}  // namespace sorvane
