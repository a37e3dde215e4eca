// The application object: creates the main window at start and ends the program once
// the window's stop flag is set and its worker has returned.
#pragma once

#include "app/ConverterDlg.h"
#include "qt/Application.h"

class CConverterApp : public kqt::Application {
public:
    // Both default to the real job and the desktop's Open dialog.
    explicit CConverterApp(CConverterDlg::ThreadProc threadProc = {},
                           CConverterDlg::FileChooser chooseFiles = {});

    CConverterDlg* mainDialog() const { return static_cast<CConverterDlg*>(mainWindow()); }

protected:
    bool initInstance() override;
    bool onIdle(long count) override;
    int exitInstance() override;

private:
    CConverterDlg::ThreadProc m_threadProc;
    CConverterDlg::FileChooser m_chooseFiles;
};
