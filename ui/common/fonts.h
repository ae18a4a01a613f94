// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// The windows are designed in Windows faces. Where one is missing,
// fontconfig already maps Arial, Arial Narrow and Calibri to faces of the
// same metrics; the Chinese faces it leaves to chance, so the stand-ins are
// named here: AR PL UMing is a Ming (Song) face with SimSun's metrics (Latin
// letters and blanks half a Chinese character wide, lines one em high), and
// WenQuanYi Micro Hei a Hei face like SimHei. Process-wide, so called once
// before the first window; Windows has the designed faces themselves.
void useStandInFonts();

// Designer forms keep whole point sizes only. A control designed in a size
// with a fraction (10.5, 8.25, 14.25 pt ...) carries it in its form as the
// dynamic property "pointSizeF", applied here once the form is set up.
void applyFractionalPointSizes(QWidget* window);
