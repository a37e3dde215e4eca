// The string table.
#pragma once

#include <QString>

namespace res {

// The string with the identifier, or an empty string when there is none.
QString loadString(int id);

} // namespace res
