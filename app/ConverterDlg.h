// The main window: collects AVI files into a two-level list (directory, file names),
// sets the quality, starts the conversion job on a worker thread and stops it. It is
// also the window the job works on: the job::ConverterWindow operations are called
// from the worker and each runs synchronously on the UI thread.
//
// The window never closes itself. Abort, the close box and Alt+F4 only set the stop
// flag; the application deletes the window once the flag is set and the worker has
// returned. Escape does nothing.
#pragma once

#include "job/ConverterWindow.h"
#include "qt/Controls.h"
#include "qt/Dialog.h"
#include "qt/WorkerThread.h"

#include <QIcon>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QAction;

class CConverterDlg : public kqt::Dialog, public job::ConverterWindow {
public:
    // The job's entry point; the worker runs it with the window.
    using ThreadProc = std::function<int(job::ConverterWindow&)>;
    // The Open dialog: returns the chosen files' full paths, empty when cancelled.
    using FileChooser = std::function<QStringList(QWidget* parent)>;

    static ThreadProc defaultThreadProc();
    static FileChooser defaultFileChooser();

    explicit CConverterDlg(QWidget* parent = nullptr, ThreadProc threadProc = {},
                           FileChooser chooseFiles = {});
    ~CConverterDlg() override;

    // The stop flag is set; no worker runs any more (none began, or it returned).
    bool isStopped() const { return m_bStop.load() != 0; }
    bool hasWorkerReturned() const { return !m_pThread || m_pThread->hasReturned(); }
    const QString& storedFilename() const { return m_strFilename; }

    // --- job::ConverterWindow, called from the worker thread.
    job::TreeItem rootItem() override;
    job::TreeItem childItem(job::TreeItem item) override;
    job::TreeItem nextItem(job::TreeItem item) override;
    std::string itemText(job::TreeItem item) override;
    void scrollToTop(job::TreeItem directory) override;
    void selectItem(job::TreeItem file) override;
    int quality() override;
    void setProgressPos(int32_t pos) override;
    void setProgressRange(int32_t lower, int32_t upper) override;
    void setProgressStep(int32_t step) override;
    void stepProgress() override;
    void setStoredFilename(const std::string& path) override;
    void setFilenameText(const std::string& path) override;
    void invalidatePreview() override;
    job::PreviewRect previewArea() override;
    void fillPreview(const job::PreviewRect& area) override;
    void drawFrame(const uint8_t* frameBuffer, int32_t left, int32_t top, int32_t width,
                   int32_t height) override;
    void setRateMax(int32_t kbytesPerSecond) override;
    void setRateAvg(int32_t kbytesPerSecond) override;
    void messageBox(const std::string& text) override;
    void reportFailure(const std::string& path, const std::string& cause) override;
    void reportWarning(const std::string& path, const std::string& text) override;
    std::atomic<int>& stopFlag() override { return m_bStop; }

protected:
    bool onInitDialog() override;
    void doDataExchange(kqt::DataExchange& dx) override;
    void onOK() override;                // Start
    void onCancel() override {}          // Escape: nothing to cancel
    void onClose() override { OnAbort(); }
    void onCommand(int id) override;

private:
    void OnAbort();
    void OnAddFiles();
    void OnAboutBox();
    void OnQualityChanged();
    void addDirectoryItem(const QString& directory, const QStringList& names);
    kqt::PictureCtrl* preview() const;

    kqt::SliderCtrl m_ctlQuality;
    kqt::TreeCtrl m_ctlFileList;
    kqt::ProgressCtrl m_ctlProgress;
    QString m_strFilename;
    QIcon m_hIcon;
    std::atomic<int> m_bStop{0};
    std::unique_ptr<kqt::WorkerThread> m_pThread;
    bool m_bStarted = false;

    ThreadProc m_threadProc;
    FileChooser m_chooseFiles;
    QAction* m_aboutAction = nullptr;
};
