#include "app/ConverterDlg.h"

#include "app/AboutDlg.h"
#include "job/ConvertJob.h"
#include "res/Dialogs.h"
#include "res/Icons.h"
#include "res/Resource.h"
#include "res/Strings.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QSlider>

CConverterDlg::ThreadProc CConverterDlg::defaultThreadProc()
{
    return [](job::ConverterWindow& window) { return job::ConvertThreadProc(window); };
}

CConverterDlg::FileChooser CConverterDlg::defaultFileChooser()
{
    return [](QWidget* parent) {
        return QFileDialog::getOpenFileNames(parent, QStringLiteral("Open"), QString(),
                                             QStringLiteral("AVI Files (*.avi);;All Files (*)"));
    };
}

CConverterDlg::CConverterDlg(QWidget* parent, ThreadProc threadProc, FileChooser chooseFiles)
    : kqt::Dialog(res::converterDialogTemplate(), parent),
      m_hIcon(res::loadIcon(IDR_MAINFRAME)),
      m_threadProc(threadProc ? std::move(threadProc) : defaultThreadProc()),
      m_chooseFiles(chooseFiles ? std::move(chooseFiles) : defaultFileChooser())
{
}

CConverterDlg::~CConverterDlg()
{
    // Normally the worker has returned by now. If not (the window torn down from
    // outside), stop it and answer its calls until it returns: joining while it waits
    // for this thread would never end.
    if (!hasWorkerReturned()) {
        m_bStop.store(1);
        while (!m_pThread->hasReturned()) {
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
            QThread::msleep(1);
        }
    }
    m_pThread.reset();
}

void CConverterDlg::doDataExchange(kqt::DataExchange& dx)
{
    ddxControl(dx, IDC_QUALITY, m_ctlQuality);
    ddxControl(dx, IDC_FILELIST, m_ctlFileList);
    ddxControl(dx, IDC_PROGRESS, m_ctlProgress);
    ddxText(dx, IDC_FILENAME, m_strFilename);
}

bool CConverterDlg::onInitDialog()
{
    kqt::Dialog::onInitDialog();

    // Desktops on Linux offer no way to extend the title bar's window menu, so the
    // About item lives on the window's context menu and on F1.
    m_aboutAction = new QAction(res::loadString(IDS_ABOUTBOX), this);
    m_aboutAction->setShortcut(Qt::Key_F1);
    m_aboutAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_aboutAction, &QAction::triggered, this, [this] { OnAboutBox(); });
    addAction(m_aboutAction);
    setContextMenuPolicy(m_aboutAction->text().isEmpty() ? Qt::NoContextMenu
                                                         : Qt::ActionsContextMenu);

    setWindowIcon(m_hIcon);

    m_ctlQuality.setRangeMin(0);
    m_ctlQuality.setRangeMax(10000);
    m_ctlQuality.setPos(10000);
    setDlgItemInt(IDC_QUALITY_VALUE, 10000);
    connect(m_ctlQuality.widget(), &QSlider::valueChanged, this, [this] { OnQualityChanged(); });
    return true;
}

void CConverterDlg::onCommand(int id)
{
    if (id == IDC_ABORT)
        OnAbort();
    else if (id == IDC_ADDFILES)
        OnAddFiles();
}

void CConverterDlg::OnQualityChanged()
{
    setDlgItemInt(IDC_QUALITY_VALUE, m_ctlQuality.pos());
}

void CConverterDlg::onOK()
{
    if (m_bStarted) // one window runs at most one job
        return;
    m_bStarted = true;
    dlgItem(kqt::kIdOk)->setEnabled(false);
    m_ctlQuality.widget()->setEnabled(false);
    m_pThread = kqt::WorkerThread::begin([this] { m_threadProc(*this); });
}

void CConverterDlg::OnAbort()
{
    m_bStop.store(1);
}

void CConverterDlg::OnAboutBox()
{
    CAboutDlg about(this);
    about.doModal();
}

void CConverterDlg::OnAddFiles()
{
    const QStringList paths = m_chooseFiles(this);
    // The desktop's dialog returns files of one directory; should a chooser return
    // several directories, each gets an item of its own so that no path is changed.
    QStringList directories;
    QList<QStringList> names;
    for (const QString& path : paths) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        // The directory without its final separator, so that directory + "/" + name is
        // the path again. The root keeps its "/": an empty item would be invisible in the
        // list, and "//name" names the same file.
        const QString dir = slash < 0 ? QString() : path.left(slash == 0 ? 1 : slash);
        const QString name = path.mid(slash + 1);
        qsizetype index = directories.indexOf(dir);
        if (index < 0) {
            directories.append(dir);
            names.append(QStringList());
            index = directories.size() - 1;
        }
        names[index].append(name);
    }
    for (qsizetype i = 0; i < directories.size(); ++i)
        addDirectoryItem(directories[i], names[i]);
}

void CConverterDlg::addDirectoryItem(const QString& directory, const QStringList& names)
{
    using kqt::TreeCtrl;
    TreeCtrl::Item dir = m_ctlFileList.insertItem(directory, nullptr, TreeCtrl::InsertAfter::Last);
    for (const QString& name : names)
        m_ctlFileList.insertItem(name, dir, TreeCtrl::InsertAfter::Sort);
}
