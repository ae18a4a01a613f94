// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/enginenoise.h"

#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

// Both were met with the engine of Qt 6.4; each is compiled for that Qt
// only, so that a build with a newer Qt shows whether it is still needed.
#define ZELVAN_ENGINE_OF_QT_6_4 (QT_VERSION < QT_VERSION_CHECK(6, 5, 0))

namespace platform {
namespace {

#if ZELVAN_ENGINE_OF_QT_6_4
// When the engine library is loaded it warns, on standard error, that it was
// loaded by a plugin without a shared GL context, and when it first draws,
// that it found no GL scene to draw into. Both are meant for programs that
// draw the engine with OpenGL; the panel draws it in software on purpose.
// Those two lines are dropped, everything else passes on.
QtMessageHandler previousHandler = nullptr;

void withoutGlWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg
        && (message.startsWith(QLatin1String("Qt WebEngine seems to be initialized from a plugin"))
            || message.startsWith(QLatin1String("No suitable graphics backend found"))))
        return;
    previousHandler(type, context, message);
}

// The engine describes its GL set-up in the "qt.webenginecontext" category
// when it starts, reading the format of the application's shared GL context.
// With software rendering there is no such context, and the engine reads it
// all the same and crashes; the description is switched off, whatever the
// logging rules say. Every other category goes through the previous filter.
QLoggingCategory::CategoryFilter previousFilter = nullptr;

void withoutGlReport(QLoggingCategory* category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "qt.webenginecontext") == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
    }
}
#endif

} // namespace

void quietenEngineGlNoise()
{
#if ZELVAN_ENGINE_OF_QT_6_4
    if (previousHandler)
        return;
    previousHandler = qInstallMessageHandler(withoutGlWarnings);
    previousFilter = QLoggingCategory::installFilter(withoutGlReport);
#endif
}

} // namespace platform
