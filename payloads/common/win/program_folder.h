// Where a program lies and the settings that the setup left beside it.
#pragma once

#include <string>
#include <string_view>

#include "payloads/common/language.h"

namespace sorvane::payloads {

// The folder of the running executable, without a trailing backslash; empty when
// the system cannot tell.
std::wstring ProgramFolder();

// The full path of the running executable.
std::wstring ProgramPath();

// Whether |path| names the running executable: its path as the system reports it,
// its long or its short (8.3) form, or a mix of them, in any letter case.
bool NamesThisProgram(std::wstring_view path);

// The first |limit| bytes of |path|, or nothing when it cannot be read.
std::string ReadSmallFile(const std::wstring& path, std::size_t limit = 64 * 1024);

// The language of "<folder>\datax\kayit.dat"; English when there is none.
Language ReadClientLanguage(const std::wstring& folder);

bool FileExists(const std::wstring& path);

}  // namespace sorvane::payloads
