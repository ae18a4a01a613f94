// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webengineguard.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace platform {

bool flagsTurnSandboxOff(const QString& flags)
{
    if (flags.contains(QLatin1Char('"')) || flags.contains(QLatin1Char('\'')))
        return false;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& word : flags.split(blanks, Qt::SkipEmptyParts)) {
        if (word == QLatin1String("--"))
            return false;
        if (word == QLatin1String("--no-sandbox"))
            return true;
    }
    return false;
}

} // namespace platform
