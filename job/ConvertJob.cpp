#include "job/ConvertJob.h"

#include "film/FilmFile.h"
#include "job/ConvertFile.h"

#include <exception>
#include <memory>

namespace job {
namespace {

void WalkTheList(ConverterWindow& window, int quality)
{
    auto stopped = [&window] { return window.stopFlag().load() != 0; };
    // One writer serves the whole job, one file after another.
    auto writer = std::make_unique<CFilmFile>();
    for (TreeItem directory = window.rootItem(); directory != kNoItem && !stopped();
         directory = window.nextItem(directory)) {
        window.scrollToTop(directory);
        for (TreeItem file = window.childItem(directory); file != kNoItem && !stopped();
             file = window.nextItem(file))
            ConvertFile(window, writer, quality, directory, file);
    }
}

} // namespace

int ConvertThreadProc(ConverterWindow& window)
{
    try {
        WalkTheList(window, window.quality());
    } catch (const std::exception&) {
        // Only the window's own calls can get here (every file's failures are reported
        // and handled); the job ends as at the end of the list.
    }
    // The window waits for this to end the application.
    window.stopFlag().store(1);
    return 0;
}

} // namespace job
