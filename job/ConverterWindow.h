// What the conversion job uses of the main window, and nothing more. The Qt window
// implements it on the UI thread; kestrel-convert implements it for a terminal; tests
// implement it with a fake.
//
// Threads: the job calls every operation from its worker thread. Each call is
// synchronous: it returns only when the window has done what it asks (the Qt window
// runs it on the UI thread and blocks the worker meanwhile). The stop flag is the one
// exception: it is atomic and read or set directly, from either thread.
#pragma once

#include "media/MediaTypes.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace job {

// An item of the file list: a directory item (top level) or a file item (its child).
using TreeItem = std::uintptr_t;
constexpr TreeItem kNoItem = 0;

struct PreviewRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
};

struct FileSummary; // defined by the job

class ConverterWindow {
public:
    virtual ~ConverterWindow() = default;

    // --- The file list, walked in its current state whenever the job asks.
    virtual TreeItem rootItem() = 0;                // first directory item, or kNoItem
    virtual TreeItem childItem(TreeItem item) = 0;  // first file item of a directory item
    virtual TreeItem nextItem(TreeItem item) = 0;   // next sibling, or kNoItem
    virtual std::string itemText(TreeItem item) = 0;
    virtual void scrollToTop(TreeItem directory) = 0; // make it the first visible item
    virtual void selectItem(TreeItem file) = 0;

    // --- The quality trackbar's position (0..10000).
    virtual int quality() = 0;

    // --- The progress bar over the current file's frames.
    virtual void setProgressPos(int32_t pos) = 0;
    virtual void setProgressRange(int32_t lower, int32_t upper) = 0;
    virtual void setProgressStep(int32_t step) = 0;
    virtual void stepProgress() = 0;

    // --- The current file: the m_strFilename member, and the text of the file name field.
    virtual void setStoredFilename(const std::string& path) = 0;
    virtual void setFilenameText(const std::string& path) = 0;

    // --- The preview area and the data-rate fields.
    virtual void invalidatePreview() = 0; // the preview control paints itself afresh
    // The preview control's client area in the main window's client coordinates.
    virtual PreviewRect previewArea() = 0;
    virtual void fillPreview(const PreviewRect& area) = 0; // with the window colour
    // Draws the frame buffer (40-byte header, rows from byte 40), scaled to
    // width x height at (left, top). The window copies what it needs before returning.
    virtual void drawFrame(const uint8_t* frameBuffer, int32_t left, int32_t top,
                           int32_t width, int32_t height) = 0;
    virtual void setRateMax(int32_t kbytesPerSecond) = 0;
    virtual void setRateAvg(int32_t kbytesPerSecond) = 0;

    // --- Messages. messageBox: a modal box with an OK button, owned by the window,
    // returning once dismissed (the job's one message for undecodable video).
    // reportFailure: a file failed (cause names what went wrong); the job goes on.
    // reportWarning: a file converted with a caveat (for example without its sound).
    // The window shows both as message boxes; a terminal prints them to stderr.
    virtual void messageBox(const std::string& text) = 0;
    virtual void reportFailure(const std::string& path, const std::string& cause) = 0;
    virtual void reportWarning(const std::string& path, const std::string& text) = 0;

    // --- Called once per file that reached its end (converted or stopped), with what a
    // summary needs. The window ignores it.
    virtual void fileFinished(const FileSummary& /*summary*/) {}

    // --- A file passed over: it cannot be opened as a movie (no output is made), or it has
    // no video stream (its output is left empty). The window passes over such files
    // without a message; a terminal reports them as errors.
    virtual void reportSkipped(const std::string& /*path*/, const std::string& /*cause*/) {}

    // --- The stop flag: 0 until set to 1, never reset.
    virtual std::atomic<int>& stopFlag() = 0;
};

} // namespace job
