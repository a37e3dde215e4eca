#include "app/ConverterApp.h"

CConverterApp::CConverterApp(CConverterDlg::ThreadProc threadProc,
                             CConverterDlg::FileChooser chooseFiles)
    : m_threadProc(std::move(threadProc)), m_chooseFiles(std::move(chooseFiles))
{
}

bool CConverterApp::initInstance()
{
    auto* dlg = new CConverterDlg(nullptr, m_threadProc, m_chooseFiles);
    setMainWindow(dlg);
    dlg->create();
    return true;
}

bool CConverterApp::onIdle(long count)
{
    // Never waits for the worker: it needs this thread to answer its calls.
    const CConverterDlg* dlg = mainDialog();
    if (dlg && dlg->isStopped() && dlg->hasWorkerReturned())
        exitInstance();
    return kqt::Application::onIdle(count);
}

int CConverterApp::exitInstance()
{
    // Deleting the main window ends the event loop with the exit code 0.
    deleteMainWindow();
    return kqt::Application::exitInstance();
}
