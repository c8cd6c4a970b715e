// The geometry stage of a transcoded video stream (crop, scale, pad into
// the encoder's size and pixel format) is part of the frame pipeline.
#pragma once

#include "frame_pipeline.h"
