// The job's window on a terminal: the command line's files as the file list, progress on
// stdout (a bar on a terminal, plain lines otherwise), errors and warnings on stderr, and
// a summary line for every file that reaches its end.
#pragma once

#include "job/ConverterWindow.h"
#include "job/FileSummary.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace cli {

class TerminalWindow : public job::ConverterWindow {
public:
    TerminalWindow(std::vector<std::string> files, int quality, std::atomic<int>& stop);

    int failures() const { return failures_; }
    int finished() const { return finished_; }

    job::TreeItem rootItem() override;
    job::TreeItem childItem(job::TreeItem item) override;
    job::TreeItem nextItem(job::TreeItem item) override;
    std::string itemText(job::TreeItem item) override;
    void scrollToTop(job::TreeItem) override {}
    void selectItem(job::TreeItem) override {}

    int quality() override { return quality_; }

    void setProgressPos(int32_t pos) override;
    void setProgressRange(int32_t lower, int32_t upper) override;
    void setProgressStep(int32_t step) override { step_ = step; }
    void stepProgress() override;

    void setStoredFilename(const std::string& path) override { current_ = path; }
    void setFilenameText(const std::string&) override {}

    void invalidatePreview() override {}
    job::PreviewRect previewArea() override { return {}; }
    void fillPreview(const job::PreviewRect&) override {}
    void drawFrame(const uint8_t*, int32_t, int32_t, int32_t, int32_t) override {}
    void setRateMax(int32_t) override {}
    void setRateAvg(int32_t) override {}

    void messageBox(const std::string& text) override;
    void reportFailure(const std::string& path, const std::string& cause) override;
    void reportWarning(const std::string& path, const std::string& text) override;
    void reportSkipped(const std::string& path, const std::string& cause) override;
    void fileFinished(const job::FileSummary& summary) override;

    std::atomic<int>& stopFlag() override { return stop_; }

private:
    void showProgress();
    void endProgressLine();

    // Every file argument is one directory item (its folder) with one file item (its name).
    struct Entry {
        std::string directory;
        std::string name;
    };
    std::vector<Entry> entries_;
    int quality_;
    std::atomic<int>& stop_;
    const bool bar_;

    std::string current_;
    int32_t lower_ = 0, upper_ = 0, pos_ = 0, step_ = 1;
    int lastShown_ = -1; // the last percentage or bar width shown
    bool lineOpen_ = false;
    int failures_ = 0;
    int finished_ = 0;
};

} // namespace cli
