// A progress bar's colour on a terminal: the COLORREF PBM_SETBARCOLOR gave (0x00BBGGRR) as the
// nearest of the terminal's eight colours and its grey, drawn behind the filled cells with a
// foreground that stays readable on it.
#pragma once

#include <string>

#include "win32_types.h"

namespace vmterm {

// The SGR parameters ("30;46" for cyan) that draw a bar of `colour`; "" for the control's
// default colour (CLR_DEFAULT), which the terminal leaves as it is.
std::string BarColourSgr(DWORD colour);

}  // namespace vmterm
