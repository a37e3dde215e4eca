// The About box: the icon, the product name with its version, and OK.
#pragma once

#include "qt/Dialog.h"

class CAboutDlg : public kqt::Dialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    QIcon staticIcon() const override;
};
