// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/module1.h"

#include "platform/urlopener.h"
#include "ui/common/makersite.h"

void OpenLatestVersionPage(std::string_view host)
{
    platform::openUrl(makersite::siteUrl(host));
}
