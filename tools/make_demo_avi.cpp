// kestrel-demo-avi: writes the demo's sample movie.
#include "DemoAvi.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "Usage: kestrel-demo-avi OUT.avi [SECONDS]\n"
                             "Writes a colourful 320x224 12 fps clip with 22050 Hz 8-bit sound.\n");
        return 2;
    }
    demo::DemoClip clip;
    if (argc == 3) {
        const long seconds = std::strtol(argv[2], nullptr, 10);
        if (seconds < 1 || seconds > 600) {
            std::fprintf(stderr, "kestrel-demo-avi: SECONDS must be 1 to 600\n");
            return 2;
        }
        clip.seconds = static_cast<uint32_t>(seconds);
    }
    if (!demo::WriteDemoAvi(argv[1], clip)) {
        std::fprintf(stderr, "kestrel-demo-avi: %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
