// Cinepak ('cvid') frame decoder: key and inter frames, full and selective codebook
// updates, 4-byte books, skip blocks, several strips with codebook inheritance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cinepak {

class Decoder {
public:
    // The picture size comes from the container (width, height 1..8192).
    Decoder(int width, int height);

    // Decodes one frame on top of the current picture and codebooks. Returns false,
    // with the reason in *error, for a damaged frame; it never reads outside data.
    bool decode(const uint8_t* data, size_t size, std::string* error = nullptr);

    // Back to the start state: all codebooks and the picture zero.
    void reset();

    int width() const;
    int height() const;
    // The picture as DIB rows: 24-bit B,G,R, bottom row first, rows padded to 4 bytes.
    const uint8_t* dibRows() const;
    size_t dibRowSize() const;
};

} // namespace cinepak
