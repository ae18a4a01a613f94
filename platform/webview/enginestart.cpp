// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/enginestart.h"

#include "platform/webview/engineswitches.h"

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtGlobal>

namespace platform {

EngineStart::EngineStart()
{
    // The browser draws its page through a Qt Quick scene. On OpenGL that
    // scene turns the main window into a GL window, which Qt can only do by
    // destroying its native window and making a new one: the window blinks
    // and a window manager may move it or take its focus. Software rendering
    // keeps the window as it is, needs no GL driver in this process, and is
    // plenty for a strip of 581 by 93 pixels.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    const QByteArray switches = engineSwitches(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
    m_pagesInProgram = switchesRunPagesInProgram(switches);
    setEnvironment("QTWEBENGINE_CHROMIUM_FLAGS", switches);
    // No GL integration on X11, unless the user chose one: the engine asks
    // the platform about GLX when it starts, which would load the GL driver
    // (some 55 MB with Mesa's software driver) into this process for nothing.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        setEnvironment("QT_XCB_GL_INTEGRATION", "none");
}

EngineStart::~EngineStart()
{
    for (const Saved& saved : m_saved) {
        if (saved.wasSet)
            qputenv(saved.name, saved.value);
        else
            qunsetenv(saved.name);
    }
}

void EngineStart::setEnvironment(const char* name, const QByteArray& value)
{
    m_saved.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    qputenv(name, value);
}

} // namespace platform
