// The wizard's texts and the choice of its language from the keyboard layout.
#pragma once

#include <cstdint>

#include "core/session.h"
#include "platform/os.h"
#include "ui/controls.h"

namespace sorvane {

inline constexpr std::uint32_t kTurkishQLayout = 0x041F;

// The active keyboard layout as a number, 0 when the system's name is not hexadecimal.
std::uint32_t KeyboardLayoutId(Os& os);

void LoadDefaultTexts(SetupSession& session);
// Chooses "TR" for the Turkish Q layout, "EN" otherwise; Turkish mode rewrites the
// slots, the window caption and the control texts that the form has.
void ApplyLanguage(Os& os, SetupSession& session, ui::Form& form);
// Replaces the first "%APP_NAME%" in each of the six labels that can hold it.
void FillAppNamePlaceholders(ui::Form& form);

// Every "%app%" of |text| replaced by |app_name|.
std::string FillAppPlaceholder(const std::string& text, const std::string& app_name);

}  // namespace sorvane
