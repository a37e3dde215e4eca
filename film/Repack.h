// Turns a Cinepak frame as the compressor writes it into the layout the Saturn plays.
//
//  input frame (n bytes)                  output frame (L = n + P + 2 bytes)
//  +0  flags                8 bits        +0  L - 8                       32 bits
//  +1  frame length         24 bits       +4  width                       16 bits
//  +4  width                16 bits       +6  height                      16 bits
//  +6  height               16 bits       +8  strip count C               16 bits
//  +8  strip count C        16 bits       +10 zero                        16 bits
//  +10 C strips                           +12 C strips
//
//  strip: id (8 bits), size z (24 bits, header and chunks), rectangle (4 x 16 bits),
//         then exactly three chunks          -> size becomes z + the padding of its chunks
//  chunk: id (8 bits), size s (24 bits, counting this 4-byte header), s - 4 payload bytes
//                                            -> size S = s rounded up to a multiple of 4,
//                                               payload followed by S - s zero bytes
//
// P is the padding of all chunks. Every strip and chunk header of the output starts at a
// multiple of 4 bytes, and L is a multiple of 4. Ids, rectangles and payload bytes pass
// through unexamined; the input's flag byte and frame length field are not used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "film/FilmFormatError.h"

// The repacked length L of the n-byte frame. Raises FilmFormatError when the frame is
// malformed: shorter than its header, a strip or chunk running past n, a chunk size below 4,
// a padded chunk or strip size beyond 24 bits, or bytes left over after the last strip.
// Reads nothing outside frame[0, n).
uint32_t RepackedLength(const uint8_t* frame, uint32_t n);

// Fills buffer with the repacked frame and returns L. Checks the frame as RepackedLength
// does, and raises FilmFormatError before writing anything when it is malformed or when
// bufferSize is below L (2n always suffices for a well-formed frame).
uint32_t RepackFrame(const uint8_t* frame, uint32_t n, uint8_t* buffer, size_t bufferSize);
