// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Installs Qt's own Simplified Chinese texts (the line edits' context menu,
// the message boxes' buttons, the browser's menus) whatever the user's
// locale: every other word of the program is Chinese already. Needs a
// QCoreApplication; returns how many of Qt's catalogues were found.
int installChineseQtTranslations();
