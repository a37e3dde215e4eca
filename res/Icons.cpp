#include "res/Icons.h"

#include "res/Resource.h"

namespace res {

QIcon loadIcon(int id)
{
    QIcon icon;
    if (id == IDR_MAINFRAME) {
        icon.addFile(QStringLiteral(":/kestrel/icons/kestrel32.xpm"), QSize(32, 32));
        icon.addFile(QStringLiteral(":/kestrel/icons/kestrel16.xpm"), QSize(16, 16));
    }
    return icon;
}

} // namespace res
