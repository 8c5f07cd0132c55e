// Splitting the command lines that the setup and the registry start the programs with.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::payloads {

// What follows the program name in a command line as the system hands it over
// (GetCommandLineW), without the blanks in front.
std::wstring_view CommandTail(std::wstring_view command_line);

// The same for a line whose program name may be unquoted with blanks in it, as a
// registry entry starts a program: the name ends at the first blank where what
// stands before it (or that with ".exe" added, as the system would add it) is the
// running program by |names_program|. A quoted name ends at its closing quote;
// where no part of the line names the program, the name ends at the first blank.
std::wstring_view CommandTailAfterProgram(
    std::wstring_view command_line, const std::function<bool(std::wstring_view)>& names_program);

// Splits |text| at each single blank or tab, so two blanks in a row give an empty
// field. A field in double quotes may hold blanks; the quotes are dropped. Blanks
// at both ends are ignored. False (and no fields) for a quote left open or text
// glued to a closing quote.
bool SplitFields(std::wstring_view text, std::vector<std::wstring>* fields);

}  // namespace sorvane::payloads
