#include "foundation/DisplayValues.h"

DisplayValues g_Display;
