#include "cli/TerminalWindow.h"

#include "cli/SummaryLine.h"
#include "job/SaturnLimits.h"

#include <unistd.h>

namespace cli {
namespace {

constexpr int kBarWidth = 30;

// Items: 2i + 1 is the directory item of file i, 2i + 2 its file item.
size_t IndexOf(job::TreeItem item) { return (item - 1) / 2; }
bool IsDirectory(job::TreeItem item) { return item % 2 == 1; }

} // namespace

TerminalWindow::TerminalWindow(std::vector<std::string> files, int quality, std::atomic<int>& stop)
    : quality_(quality), stop_(stop), bar_(isatty(STDOUT_FILENO) != 0)
{
    for (const std::string& file : files) {
        const size_t slash = file.rfind('/');
        if (slash == std::string::npos)
            entries_.push_back({".", file});
        else
            entries_.push_back({file.substr(0, slash), file.substr(slash + 1)});
    }
}

job::TreeItem TerminalWindow::rootItem() { return entries_.empty() ? job::kNoItem : 1; }

job::TreeItem TerminalWindow::childItem(job::TreeItem item)
{
    return IsDirectory(item) ? item + 1 : job::kNoItem;
}

job::TreeItem TerminalWindow::nextItem(job::TreeItem item)
{
    if (!IsDirectory(item) || IndexOf(item) + 1 >= entries_.size())
        return job::kNoItem;
    return item + 2;
}

std::string TerminalWindow::itemText(job::TreeItem item)
{
    const Entry& entry = entries_.at(IndexOf(item));
    return IsDirectory(item) ? entry.directory : entry.name;
}

void TerminalWindow::setProgressPos(int32_t pos)
{
    pos_ = pos;
    lastShown_ = -1;
}

void TerminalWindow::setProgressRange(int32_t lower, int32_t upper)
{
    lower_ = lower;
    upper_ = upper;
    pos_ = lower;
    lastShown_ = -1;
    showProgress();
}

void TerminalWindow::stepProgress()
{
    pos_ += step_;
    showProgress();
}

void TerminalWindow::showProgress()
{
    const int64_t span = int64_t{upper_} - lower_;
    const int64_t done = int64_t{pos_} - lower_;
    const int percent = span > 0 ? static_cast<int>(done * 100 / span) : 100;
    if (bar_) {
        const int filled = span > 0 ? static_cast<int>(done * kBarWidth / span) : kBarWidth;
        // The file name alone, so that the bar stays on one line of the terminal.
        const std::string name = current_.substr(current_.rfind('/') + 1);
        std::printf("\r%s [%s%s] %3d%% %lld/%lld", name.c_str(),
                    std::string(static_cast<size_t>(filled), '#').c_str(),
                    std::string(static_cast<size_t>(kBarWidth - filled), '.').c_str(), percent,
                    static_cast<long long>(done), static_cast<long long>(span));
        lineOpen_ = true;
    } else if (percent / 10 != lastShown_) {
        lastShown_ = percent / 10;
        std::printf("%s: %d%% (%lld of %lld frames)\n", current_.c_str(), percent,
                    static_cast<long long>(done), static_cast<long long>(span));
    }
    std::fflush(stdout);
}

void TerminalWindow::endProgressLine()
{
    if (lineOpen_) {
        std::printf("\n");
        std::fflush(stdout);
        lineOpen_ = false;
    }
}

void TerminalWindow::messageBox(const std::string& text) { reportFailure(current_, text); }

void TerminalWindow::reportFailure(const std::string& path, const std::string& cause)
{
    endProgressLine();
    std::fprintf(stderr, "kestrel-convert: %s: %s\n", path.c_str(), cause.c_str());
    ++failures_;
}

void TerminalWindow::reportWarning(const std::string& path, const std::string& text)
{
    endProgressLine();
    std::fprintf(stderr, "kestrel-convert: warning: %s: %s\n", path.c_str(), text.c_str());
}

void TerminalWindow::reportSkipped(const std::string& path, const std::string& cause)
{
    reportFailure(path, cause);
}

void TerminalWindow::fileFinished(const job::FileSummary& summary)
{
    endProgressLine();
    std::printf("%s\n", SummaryLine(summary).c_str());
    std::fflush(stdout);
    for (const std::string& warning : job::SaturnWarnings(summary))
        reportWarning(summary.outputPath, "the Saturn cannot play this movie: " + warning);
    ++finished_;
}

} // namespace cli
