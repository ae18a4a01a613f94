// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWebEnginePage>

#include <functional>

class QWebEngineProfile;

namespace platform {

// The advert's page and what it may do. Whatever it does, it must neither
// block nor leave the panel: no new windows (a click's new window is the
// view's to hand to the desktop's browser), no modal dialogs, no local files,
// none of the program's own resources, no permission granted.
class PanelPage final : public QWebEnginePage {
public:
    PanelPage(QWebEngineProfile* profile, QObject* parent);

    // The profile the panel's pages share: off the record (cookies and cache
    // stay in memory), asking in the program's language, refusing qrc:.
    static QWebEngineProfile* makeProfile(QObject* parent);

    // Asked before each load of the page as a whole (not of a frame inside
    // it) that the page starts itself: a reload, a refresh, a script or link
    // moving on, each step of a redirect (the engine also calls a script's
    // reload soon after loading a redirect). The program's own loads are not
    // asked about. False refuses the load.
    void setLoadGate(std::function<bool()> gate) { m_loadGate = std::move(gate); }
    // Asked before each load of a frame inside the page and each script
    // dialog, the work a page has done in this process: false refuses the
    // frame's load (dialogs are refused anyway).
    void setRequestGate(std::function<bool()> gate) { m_requestGate = std::move(gate); }

protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& value, QString* result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& old,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    bool request() const { return !m_requestGate || m_requestGate(); }

    std::function<bool()> m_loadGate;
    std::function<bool()> m_requestGate;
};

// Only http and https pages are shown in the panel (and the empty page).
bool isWebAddress(const QUrl& url);

} // namespace platform
