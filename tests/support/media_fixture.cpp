#include "media_fixture.h"
// (implementation follows)
