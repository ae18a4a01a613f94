// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webengineguard.h"

#include <QString>
#include <QStringList>

namespace platform {

// The engine splits the variable at plain blanks only (a tab stays inside a
// word) and strips double quotes; quotes are left as doubt here.
bool flagsTurnSandboxOff(const QString& flags)
{
    if (flags.contains(QLatin1Char('"')))
        return false;
    for (const QString& word : flags.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("--"))
            return false;
        if (word == QLatin1String("--no-sandbox"))
            return true;
    }
    return false;
}

} // namespace platform
