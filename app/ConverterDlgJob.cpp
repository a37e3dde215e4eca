// The window as the conversion job sees it. Every operation is called from the
// worker thread and runs on the UI thread while the worker waits; the frame is
// converted and scaled before, on the worker, so the UI thread only copies it.
#include "app/ConverterDlg.h"

#include "qt/DibImage.h"
#include "qt/MessageBox.h"
#include "qt/UiCall.h"
#include "res/Resource.h"

#include <QFile>
#include <QTreeWidgetItem>

namespace {

job::TreeItem toId(QTreeWidgetItem* item) { return reinterpret_cast<job::TreeItem>(item); }
QTreeWidgetItem* fromId(job::TreeItem id) { return reinterpret_cast<QTreeWidgetItem*>(id); }

// Paths travel as the file system's bytes, so names that are not UTF-8 survive.
std::string toPath(const QString& text) { return QFile::encodeName(text).toStdString(); }
QString fromPath(const std::string& path) { return QFile::decodeName(path.c_str()); }

} // namespace

kqt::PictureCtrl* CConverterDlg::preview() const
{
    return static_cast<kqt::PictureCtrl*>(dlgItem(IDC_PREVIEW));
}

job::TreeItem CConverterDlg::rootItem()
{
    return kqt::callOnUi(this, [this] { return toId(m_ctlFileList.rootItem()); });
}

job::TreeItem CConverterDlg::childItem(job::TreeItem item)
{
    return kqt::callOnUi(this, [this, item] { return toId(m_ctlFileList.childItem(fromId(item))); });
}

job::TreeItem CConverterDlg::nextItem(job::TreeItem item)
{
    return kqt::callOnUi(this,
                         [this, item] { return toId(m_ctlFileList.nextSiblingItem(fromId(item))); });
}

std::string CConverterDlg::itemText(job::TreeItem item)
{
    return kqt::callOnUi(this, [this, item] { return toPath(m_ctlFileList.itemText(fromId(item))); });
}

void CConverterDlg::scrollToTop(job::TreeItem directory)
{
    kqt::callOnUi(this, [this, directory] { m_ctlFileList.setFirstVisible(fromId(directory)); });
}

void CConverterDlg::selectItem(job::TreeItem file)
{
    kqt::callOnUi(this, [this, file] { m_ctlFileList.selectItem(fromId(file)); });
}

int CConverterDlg::quality()
{
    return kqt::callOnUi(this, [this] { return m_ctlQuality.pos(); });
}

void CConverterDlg::setProgressPos(int32_t pos)
{
    kqt::callOnUi(this, [this, pos] { m_ctlProgress.setPos(pos); });
}

void CConverterDlg::setProgressRange(int32_t lower, int32_t upper)
{
    kqt::callOnUi(this, [this, lower, upper] { m_ctlProgress.setRange(lower, upper); });
}

void CConverterDlg::setProgressStep(int32_t step)
{
    kqt::callOnUi(this, [this, step] { m_ctlProgress.setStep(step); });
}

void CConverterDlg::stepProgress()
{
    kqt::callOnUi(this, [this] { m_ctlProgress.stepIt(); });
}

void CConverterDlg::setStoredFilename(const std::string& path)
{
    kqt::callOnUi(this, [this, &path] { m_strFilename = fromPath(path); });
}

void CConverterDlg::setFilenameText(const std::string& path)
{
    kqt::callOnUi(this, [this, &path] { setDlgItemText(IDC_FILENAME, fromPath(path)); });
}

void CConverterDlg::invalidatePreview()
{
    kqt::callOnUi(this, [this] { preview()->clearCanvas(); });
}

job::PreviewRect CConverterDlg::previewArea()
{
    return kqt::callOnUi(this, [this] {
        const kqt::PictureCtrl* p = preview();
        const QRect client = p->contentsRect();
        const QPoint topLeft = p->mapTo(this, client.topLeft());
        return job::PreviewRect{topLeft.x(), topLeft.y(), topLeft.x() + client.width(),
                                topLeft.y() + client.height()};
    });
}

void CConverterDlg::fillPreview(const job::PreviewRect& area)
{
    kqt::callOnUi(this, [this, area] {
        kqt::PictureCtrl* p = preview();
        const QPoint topLeft = p->mapFrom(this, QPoint(area.left, area.top));
        p->fill(QRect(topLeft, QSize(area.width(), area.height())),
                palette().color(QPalette::Base));
    });
}

void CConverterDlg::drawFrame(const uint8_t* frameBuffer, int32_t left, int32_t top,
                              int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return;
    QImage image = kqt::imageFromDib(frameBuffer);
    if (image.isNull())
        return;
    if (image.width() != width || image.height() != height)
        image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    kqt::callOnUi(this, [this, left, top, &image] {
        kqt::PictureCtrl* p = preview();
        p->drawImage(p->mapFrom(this, QPoint(left, top)), image);
    });
}

void CConverterDlg::setRateMax(int32_t kbytesPerSecond)
{
    kqt::callOnUi(this, [this, kbytesPerSecond] { setDlgItemInt(IDC_RATE_MAX, kbytesPerSecond); });
}

void CConverterDlg::setRateAvg(int32_t kbytesPerSecond)
{
    kqt::callOnUi(this, [this, kbytesPerSecond] { setDlgItemInt(IDC_RATE_AVG, kbytesPerSecond); });
}

void CConverterDlg::messageBox(const std::string& text)
{
    // The job's one message says that a file got no frames: a warning, not news.
    kqt::callOnUi(this, [this, &text] {
        kqt::messageBox(this, QString::fromStdString(text), QMessageBox::Warning);
    });
}

void CConverterDlg::reportFailure(const std::string& path, const std::string& cause)
{
    kqt::callOnUi(this, [this, &path, &cause] {
        kqt::messageBox(this, fromPath(path) + QStringLiteral("\n\n") + QString::fromStdString(cause),
                        QMessageBox::Warning);
    });
}

void CConverterDlg::reportWarning(const std::string& path, const std::string& text)
{
    kqt::callOnUi(this, [this, &path, &text] {
        kqt::messageBox(this, fromPath(path) + QStringLiteral("\n\n") + QString::fromStdString(text),
                        QMessageBox::Information);
    });
}
