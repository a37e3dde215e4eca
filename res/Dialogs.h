// The application's dialog templates.
#pragma once

#include "qt/DialogTemplate.h"

namespace res {

const kqt::DialogTemplate& aboutBoxTemplate();       // IDD_ABOUTBOX
const kqt::DialogTemplate& converterDialogTemplate(); // IDD_CONVERTER_DIALOG

// The font that every template names. Installed by the setup script
// (fonts-liberation2); its metrics match the common 8-point dialog font's width.
inline constexpr const char* kDialogFont = "Liberation Sans";

} // namespace res
