// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

int installChineseQtTranslations()
{
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    int installed = 0;
    // The browser's catalogue comes with its module; a build without the
    // browser simply has none.
    for (const char* catalogue : {"qtbase_zh_CN", "qtwebengine_zh_CN"}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QLatin1String(catalogue), directory)) {
            QCoreApplication::installTranslator(translator);
            ++installed;
        } else {
            delete translator;
        }
    }
    return installed;
}
