// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/webviewplugin.h"

#include "platform/webview/enginestart.h"
#include "platform/webview/pagethread.h"
#include "platform/webview/panelpage.h"
#include "platform/webview/panelview.h"

#include <QCoreApplication>

namespace platform {

// The module is loaded once per process, so this one factory sees the
// engine start with its first view.
WebView* WebViewPlugin::createView(QWidget* parent, WebViewHooks hooks)
{
    if (m_engineStarted)
        return new PanelView(parent, std::move(hooks), m_sharedProfile);
    m_engineStarted = true;
    const EngineStart start;
    // The first profile starts the engine. Run as one process, the engine
    // allows that one profile only, for good: every view shares it, and it
    // keeps no cache.
    if (start.pagesInProgram()) {
        m_sharedProfile = PanelPage::makeProfile(this, PanelPage::Cache::None);
        qAddPostRoutine(endProgramPastStuckPage);
    }
    return new PanelView(parent, std::move(hooks), m_sharedProfile);
}

} // namespace platform
