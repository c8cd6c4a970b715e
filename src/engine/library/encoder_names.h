// Encoder names of older library generations and their successors.
#pragma once

#include <string>

// The name of the encoder to open for `name`: the profiles still hand over
// names that the bound libraries no longer have ("libfaac", "libamr_nb") or
// have only as an experimental encoder ("vorbis"). A name the libraries
// offer as a regular encoder, or one the table does not know, comes back
// unchanged. Needs bound libraries.
std::string translateEncoderName(const std::string &name);

// The table itself: the successor of `name`, or an empty text.
std::string encoderSuccessor(const std::string &name);
