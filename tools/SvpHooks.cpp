#include "tools/SvpHooks.h"

TSvpHooks g_SvpHooks;
