// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/module1.h"

#include "platform/urlopener.h"
#include "ui/dialogs/makersite.h"

void OpenLatestVersionPage()
{
    platform::openUrl(makersite::kSiteUrl);
}
