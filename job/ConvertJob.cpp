#include "job/ConvertJob.h"

#include "film/FilmFile.h"
#include "job/ConvertFile.h"

#include <memory>

namespace job {

int ConvertThreadProc(ConverterWindow& window)
{
    auto stopped = [&window] { return window.stopFlag().load() != 0; };
    // One writer serves the whole job, one file after another.
    auto writer = std::make_unique<CFilmFile>();
    const int quality = window.quality();

    for (TreeItem directory = window.rootItem(); directory != kNoItem && !stopped();
         directory = window.nextItem(directory)) {
        window.scrollToTop(directory);
        for (TreeItem file = window.childItem(directory); file != kNoItem && !stopped();
             file = window.nextItem(file))
            ConvertFile(window, writer, quality, directory, file);
    }
    window.stopFlag().store(1);
    return 0;
}

} // namespace job
