// kestrel-convert: converts AVI movies into Saturn FILM movies beside them, as the window's
// Start does, from the command line.
#include "cli/TerminalWindow.h"
#include "job/ConvertJob.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

const char kHelp[] =
    "Usage: kestrel-convert [--quality N] FILE...\n"
    "\n"
    "Converts each AVI FILE into a Sega Saturn FILM movie (Cinepak video, PCM sound)\n"
    "beside it: the name's extension is replaced by \".cpk\" (a name without one gets\n"
    "\".cpk\" appended), and an existing file of that name is overwritten. The first\n"
    "video stream and the first sound stream are converted; compressed sound and sound\n"
    "the movie format cannot hold are left out, with a warning.\n"
    "\n"
    "  --quality N   Cinepak quality from 0 (smallest) to 10000 (best); default 10000\n"
    "  --help        show this text\n"
    "\n"
    "Progress goes to standard output: a bar on a terminal, plain lines otherwise. Each\n"
    "converted file gets one summary line: frames, frame size and rate, sound format,\n"
    "output size, and the average and peak data rate in kBytes/sec (1000 bytes), sound\n"
    "included. A warning follows when the movie breaks what the Saturn plays: a data\n"
    "rate over 300 KB/s (307200 bytes/sec), more than 30 frames/sec, a width or height\n"
    "not a multiple of 8, a height over 240, a width over 512, more pixels than 320x240,\n"
    "or sound faster than 44100 Hz.\n"
    "\n"
    "Errors name the file and the cause; the tool goes on with the next file and removes\n"
    "an output it could not finish. As in the window, an input without video leaves an\n"
    "empty output, and one whose video cannot be decoded leaves the movie's header and\n"
    "sample table only. Ctrl-C stops after the frame in hand: that movie is closed with\n"
    "the frames converted so far and no sound, and no further file is begun (a second\n"
    "Ctrl-C ends the tool at once).\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when any file failed, 2 for a usage\n"
    "error, 130 when stopped by Ctrl-C without a failure.\n";

std::atomic<int> g_stop{0};
std::atomic<int> g_interrupted{0}; // the job sets g_stop itself at its end
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int)
{
    g_interrupted.store(1);
    g_stop.store(1);
}

void CatchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that goes away (`| head`) must not kill the tool in the middle of a
    // movie: the lines written after that are lost, the movies are not.
    std::signal(SIGPIPE, SIG_IGN);
}

bool ParseQuality(const char* text, int* quality)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 10000)
        return false;
    *quality = static_cast<int>(value);
    return true;
}

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "kestrel-convert: %s\nTry 'kestrel-convert --help'.\n", problem.c_str());
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    int quality = 10000;
    std::vector<std::string> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options && (arg == "--help" || arg == "-h")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (options && arg == "--quality") {
            if (i + 1 >= argc || !ParseQuality(argv[i + 1], &quality))
                return Usage("--quality needs a number from 0 to 10000");
            ++i;
        } else if (options && arg.rfind("--quality=", 0) == 0) {
            if (!ParseQuality(arg.c_str() + 10, &quality))
                return Usage("--quality needs a number from 0 to 10000");
        } else if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty())
        return Usage("no input file");

    CatchInterrupts();
    cli::TerminalWindow window(files, quality, g_stop);
    job::ConvertThreadProc(window);
    if (g_interrupted.load())
        std::fprintf(stderr, "kestrel-convert: stopped by Ctrl-C\n");
    if (window.failures() > 0)
        return 1;
    return g_interrupted.load() ? kExitInterrupted : 0;
}
