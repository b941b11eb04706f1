#pragma once
// windows.h without its MessageBox macro, which would otherwise rename the
// host's method of that name in every file that includes both, and without
// the multimedia header, whose names the command interpreter spells as its own.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef MessageBox
