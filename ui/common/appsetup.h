// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the windows share, kept out of the windows themselves: the stand-in
// faces and the fractional point sizes (fonts.h), Qt's own Chinese texts
// (qttranslations.h), the centring of a window on its first showing
// (centring.h) and the maker's site (makersite.h). The process-wide part is
// set here, once per run.

// The fonts and Qt's catalogues, set once after the QApplication is made and
// before the first window is: main(), and the tests of the windows.
void setUpApplication();
