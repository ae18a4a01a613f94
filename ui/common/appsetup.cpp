// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/appsetup.h"

#include "ui/common/fonts.h"
#include "ui/common/qttranslations.h"

void setUpApplication()
{
    useStandInFonts();
    installChineseQtTranslations();
}
