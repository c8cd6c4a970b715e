// The named clips the engine tests convert, each made from the shared
// recipe (smallClipRecipe) and cached per process.
#pragma once

#include <string>

// The small clip (smallClipRecipe: 320x240, 25 fps, H.264 with AAC stereo
// at 44.1 kHz) as a cached .mov.
std::string smallSource(double seconds = 3.0);

// The small clip (smallClipRecipe) with MPEG-4 part 2 video, in a .mov.
std::string coreSource(double seconds);
// Audio only (AAC in .m4a).
std::string coreAudioOnlySource();
// The same streams as coreSource(2), but the audio stream first.
std::string coreAudioFirstSource();
