// What the bound media libraries can do, for the parts of the program that
// offer a choice only when the libraries support it.
#pragma once

// Whether the bound libraries read AviSynth scripts (false while none are
// bound).
bool librariesReadAviSynth();
