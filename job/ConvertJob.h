// The conversion job: walks the window's file list and turns each AVI file into a
// Saturn FILM movie beside it.
#pragma once

#include "job/ConverterWindow.h"

namespace job {

// The worker thread's function. Runs the whole job on the calling thread, reaching the
// window only through its interface, and returns 0. Sets the window's stop flag as its
// last act on it. Must not be called on the window's own (UI) thread.
int ConvertThreadProc(ConverterWindow& window);

} // namespace job
