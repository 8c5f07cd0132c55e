// The program's own splitting of its command line and the choice of the run mode.
#pragma once

#include <string>
#include <vector>

namespace sorvane {

class Os;

// Splits a raw command line: arguments are separated by runs of characters 1 to 32;
// a double quote opens or closes a stretch in which blanks belong to the argument and
// is itself dropped; a backslash is an ordinary character; a pair of double quotes
// where an argument would begin is skipped like blank space; a lead byte keeps its
// trail byte (which bytes lead: |is_lead_byte|). Element 0 is the program name.
std::vector<std::string> SplitCommandLine(const std::string& command_line,
                                          bool (*is_lead_byte)(unsigned char));

// The process's arguments, split by that rule from the Unicode command line, in UTF-8:
// what was given, not the system's best-fit conversion of it to the ANSI code page.
std::vector<std::string> ProgramArguments(Os& os);

// Argument |index| of the process (1 is the first after the program name) in UTF-8, or
// empty.
std::string ParamStr(Os& os, std::size_t index);

// Silent mode: exactly "-silent", then exactly "0" or "1", then any non-empty folder.
// Everything after the third argument is ignored.
bool IsSilentCommandLine(const std::vector<std::string>& arguments);

}  // namespace sorvane
