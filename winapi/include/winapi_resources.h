// Resources linked into the executable, registered at start-up as a resource compiler would
// have embedded them.
#pragma once

#include <cstddef>

// Registers an .ico file's bytes as icon resource `id` for LoadIconA. The bytes must stay valid
// for the life of the process. Safe to call during static initialisation. Returns false, and
// registers nothing, for an icon this layer cannot decode: it takes one uncompressed 24-bit
// image with its AND mask.
bool RegisterIconResource(int id, const unsigned char* ico, std::size_t size);
