// Converting one file item of the window's list into a FILM movie beside it.
#pragma once

#include "job/ConverterWindow.h"

#include <memory>

class CFilmFile;

namespace job {

// Runs every step for one file item: shows it, opens the input, writes the output, reports
// what went wrong. writer is the job's one writer; after a failure it is replaced by a
// fresh one, so that nothing of the failed file is carried to the next. Every failure of
// the file is reported here; only the window's own calls can throw out of it.
void ConvertFile(ConverterWindow& window, std::unique_ptr<CFilmFile>& writer, int quality,
                 TreeItem directory, TreeItem file);

} // namespace job
