#include "core/command_line.h"

#include "platform/os.h"

namespace sorvane {

namespace {
bool IsSeparator(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

template <typename LeadByte>
std::vector<std::string> Split(const std::string& line, LeadByte is_lead_byte) {
    std::vector<std::string> arguments;
    // A zero byte ends the line, as it would end the system's string.
    const std::size_t end = line.find('\0') == std::string::npos ? line.size() : line.find('\0');
    std::size_t p = 0;
    for (;;) {
        for (;;) {
            while (p < end && IsSeparator(line[p])) ++p;
            if (p + 1 < end && line[p] == '"' && line[p + 1] == '"')
                p += 2;
            else
                break;
        }
        if (p >= end) break;
        std::string argument;
        auto copy_char = [&] {
            const unsigned char c = static_cast<unsigned char>(line[p]);
            argument += line[p++];
            if (is_lead_byte(c) && p < end) argument += line[p++];
        };
        while (p < end && !IsSeparator(line[p])) {
            if (line[p] == '"') {
                ++p;
                while (p < end && line[p] != '"') copy_char();
                if (p < end) ++p;  // the closing quote
            } else {
                copy_char();
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line,
                                          bool (*is_lead_byte)(unsigned char)) {
    return Split(line, [is_lead_byte](unsigned char c) { return is_lead_byte && is_lead_byte(c); });
}

std::vector<std::string> ProgramArguments(Os& os) {
    // Every byte of a UTF-8 sequence is 0x80 or above: none separates or quotes.
    return Split(os.GetUnicodeCommandLine(), [](unsigned char) { return false; });
}

std::string ParamStr(Os& os, std::size_t index) {
    const auto arguments = ProgramArguments(os);
    return index < arguments.size() ? arguments[index] : std::string();
}

bool IsSilentCommandLine(const std::vector<std::string>& a) {
    return a.size() > 3 && a[1] == "-silent" && (a[2] == "0" || a[2] == "1") && !a[3].empty();
}

}  // namespace sorvane
