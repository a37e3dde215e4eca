#include "app/AboutDlg.h"

#include "res/Dialogs.h"
#include "res/Icons.h"
#include "res/Resource.h"

CAboutDlg::CAboutDlg(QWidget* parent) : kqt::Dialog(res::aboutBoxTemplate(), parent)
{
    setWindowIcon(res::loadIcon(IDR_MAINFRAME));
}

QIcon CAboutDlg::staticIcon() const { return res::loadIcon(IDR_MAINFRAME); }
