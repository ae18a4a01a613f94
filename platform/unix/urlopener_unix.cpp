// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/urlopener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform {

void openUrl(const std::string& url)
{
    // QDesktopServices goes through xdg-open or the desktop portal. Its result
    // is dropped: a missing browser stays as silent as it is on Windows.
    static_cast<void>(QDesktopServices::openUrl(QUrl(QString::fromStdString(url))));
}

} // namespace platform
