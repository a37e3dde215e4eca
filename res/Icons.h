// The application's icons, from the Qt resources built into the program.
#pragma once

#include <QIcon>

namespace res {

// IDR_MAINFRAME: 32x32 and 16x16, 16 colours. A null icon for an unknown id.
QIcon loadIcon(int id);

} // namespace res
