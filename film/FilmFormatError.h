// The error the FILM writer and the frame repacking raise for input they cannot represent.
#pragma once

#include <stdexcept>

class FilmFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
