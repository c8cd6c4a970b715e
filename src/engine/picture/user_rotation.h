// A turn asked for by hand, on top of what the clip's own display matrix
// says: a phone laid flat on a table records 0° for a picture that is
// sideways. Re-encoded pictures are turned in the frame pipeline (the turn
// adds to the orientation the pipeline already shows them in); copied
// pictures get a display matrix that says the whole turn.
#pragma once

#include <cstdint>

#include "av_headers.h"
#include "source_picture.h"

// The quarter turns clockwise of a turn by hand given in degrees clockwise
// (0, 90, 180, 270; -90 counts as 270); -1 for any other angle.
int handTurnQuarters(int degreesClockwise);

// The orientation of a picture shown as `shown` says and then turned
// `quarterTurns` more clockwise (the mirror, which comes first, stays).
Orientation turnedFurther(const Orientation &shown, int quarterTurns);

// What the pipeline does to a stream's pictures once the hand turn is added.
SourcePicture shownPicture(const AVStream *stream, int handQuarterTurns);

// The display matrix (ISO/IEC 14496-12 layout, 16.16 and 2.30 fixed point)
// that shows a picture the way `o` says.
void displayMatrixFor(const Orientation &o, int32_t matrix[9]);

// Gives the copied stream `to` the display matrix of `from` turned
// `handQuarterTurns` further (none when the result is upright).
void writeTurnedDisplayMatrix(const AVStream *from, AVStream *to, int handQuarterTurns);
