// A window for the job's tests: a file list given in code, every call logged in order.
#pragma once

#include "job/ConverterWindow.h"
#include "job/FileSummary.h"

#include <string>
#include <utility>
#include <vector>

namespace jobtest {

class FakeWindow : public job::ConverterWindow {
public:
    struct Directory {
        std::string text;
        std::vector<std::string> files;
    };
    std::vector<Directory> list;
    int qualityValue = 10000;
    job::PreviewRect area{10, 20, 330, 260};
    int stopAfterSteps = -1; // set the stop flag at this stepProgress call (1-based)

    std::vector<std::string> log;
    std::vector<job::FileSummary> summaries;
    std::vector<std::string> failures, warnings, skipped, messages;
    int steps = 0;

    // Items: directory d is (d + 1) << 16, its file f is that | (f + 1).
    job::TreeItem rootItem() override { return list.empty() ? job::kNoItem : dirItem(0); }
    job::TreeItem childItem(job::TreeItem item) override
    {
        const size_t d = dirOf(item);
        return list[d].files.empty() ? job::kNoItem : (dirItem(d) | 1);
    }
    job::TreeItem nextItem(job::TreeItem item) override
    {
        const size_t d = dirOf(item);
        if ((item & 0xFFFF) == 0)
            return d + 1 < list.size() ? dirItem(d + 1) : job::kNoItem;
        const size_t f = (item & 0xFFFF) - 1;
        return f + 1 < list[d].files.size() ? (dirItem(d) | (f + 2)) : job::kNoItem;
    }
    std::string itemText(job::TreeItem item) override
    {
        const size_t d = dirOf(item);
        return (item & 0xFFFF) == 0 ? list[d].text : list[d].files[(item & 0xFFFF) - 1];
    }
    void scrollToTop(job::TreeItem item) override { record("scroll " + itemText(item)); }
    void selectItem(job::TreeItem item) override { record("select " + itemText(item)); }
    int quality() override { return qualityValue; }

    void setProgressPos(int32_t pos) override { record("pos " + std::to_string(pos)); }
    void setProgressRange(int32_t lower, int32_t upper) override
    {
        record("range " + std::to_string(lower) + " " + std::to_string(upper));
    }
    void setProgressStep(int32_t step) override { record("step " + std::to_string(step)); }
    void stepProgress() override
    {
        record("stepit");
        if (++steps == stopAfterSteps)
            stop.store(1);
    }
    void setStoredFilename(const std::string& path) override { record("stored " + path); }
    void setFilenameText(const std::string& path) override { record("filename " + path); }
    void invalidatePreview() override { record("invalidate"); }
    job::PreviewRect previewArea() override { return area; }
    void fillPreview(const job::PreviewRect& rect) override
    {
        record("fill " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
               std::to_string(rect.width()) + " " + std::to_string(rect.height()));
    }
    void drawFrame(const uint8_t*, int32_t left, int32_t top, int32_t width, int32_t height) override
    {
        record("draw " + std::to_string(left) + " " + std::to_string(top) + " " +
               std::to_string(width) + " " + std::to_string(height));
    }
    void setRateMax(int32_t value) override { record("max " + std::to_string(value)); }
    void setRateAvg(int32_t value) override { record("avg " + std::to_string(value)); }
    void messageBox(const std::string& text) override
    {
        record("message " + text);
        messages.push_back(text);
    }
    void reportFailure(const std::string& path, const std::string& cause) override
    {
        record("failure " + path);
        failures.push_back(path + ": " + cause);
    }
    void reportWarning(const std::string& path, const std::string& text) override
    {
        record("warning " + path);
        warnings.push_back(path + ": " + text);
    }
    void reportSkipped(const std::string& path, const std::string& cause) override
    {
        record("skipped " + path);
        skipped.push_back(path + ": " + cause);
    }
    void fileFinished(const job::FileSummary& summary) override
    {
        record("finished " + summary.inputPath);
        summaries.push_back(summary);
    }
    std::atomic<int>& stopFlag() override { return stop; }

    std::atomic<int> stop{0};

    // The log without the per-frame entries: what happened around the frames.
    std::vector<std::string> outline() const
    {
        std::vector<std::string> out;
        for (const std::string& entry : log)
            if (entry.rfind("draw", 0) != 0 && entry.rfind("max", 0) != 0 &&
                entry.rfind("avg", 0) != 0 && entry != "stepit")
                out.push_back(entry);
        return out;
    }
    size_t count(const std::string& prefix) const
    {
        size_t n = 0;
        for (const std::string& entry : log)
            n += entry.rfind(prefix, 0) == 0;
        return n;
    }

private:
    static job::TreeItem dirItem(size_t d) { return (d + 1) << 16; }
    static size_t dirOf(job::TreeItem item) { return (item >> 16) - 1; }
    void record(std::string entry) { log.push_back(std::move(entry)); }
};

} // namespace jobtest
