// How PCM sound from an AVI file is stored in FILM sound chunks.
//
//  AVI / WAV input                       FILM sound chunk
//  8-bit samples unsigned                8-bit samples signed (top bit flipped: +0x80)
//  16-bit samples signed little-endian   16-bit samples signed big-endian (bytes swapped)
//  stereo interleaved L R L R ...        stereo in two equal halves per chunk:
//                                        all left samples, then all right samples
//  mono in time order                    mono in time order
//
// A chunk that reaches past the end of the sound is completed with zero bytes, silence in
// both signed formats; in a stereo chunk each half is completed on its own, so the right
// channel always starts at the middle of the chunk.
#pragma once

#include <cstddef>
#include <cstdint>

// Converts the samples in place from the input form to the FILM form. For 16-bit sound an
// odd last byte, half a sample, is left as it is.
void ConvertSamples(uint8_t* sound, size_t length, unsigned bitsPerSample);

// Fills chunk (chunkLength bytes, a multiple of channels * bytesPerSample) with the next
// chunkLength bytes of converted sound, of which available remain at sound. Only whole
// sample frames are taken; the rest of the chunk (or of each half) is zeros.
void FillSoundChunk(const uint8_t* sound, size_t available, unsigned channels,
                    unsigned bytesPerSample, uint8_t* chunk, size_t chunkLength);
