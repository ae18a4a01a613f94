// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

#include <functional>

class QWebEngineProfile;

namespace platform {

// What a profile's pages may ask of the network: every request the engine
// makes for them (documents, frames, pictures, scripts, fetch, beacons,
// WebSockets, event streams, their workers' too) passes here first, on the
// window thread. The program's own resources (qrc:) are refused to all;
// anything else goes when the gate says so, and no gate refuses all.
class PanelRequests final : public QWebEngineUrlRequestInterceptor {
public:
    using Gate = std::function<bool(const QUrl& url, bool mainFrame)>;

    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void setGate(Gate gate) { m_gate = std::move(gate); }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // The one installed in a profile made by PanelPage::makeProfile.
    static PanelRequests* of(QWebEngineProfile* profile);

private:
    Gate m_gate;
};

// The advert's page and what it may do. Whatever it does, it must neither
// block nor leave the panel: no new windows (a click's new window is the
// view's to hand to the desktop's browser), no modal dialogs, no local files,
// none of the program's own resources, no permission granted.
class PanelPage final : public QWebEnginePage {
public:
    PanelPage(QWebEngineProfile* profile, QObject* parent);

    // Whether a profile keeps the HTTP cache of its pages (in memory).
    enum class Cache { Kept, None };

    // A profile for the panel's pages: off the record (nothing on disk),
    // asking in the program's language, with its PanelRequests; its pages
    // may store nothing (no cookies, local or session storage, databases,
    // caches or service workers: the engine keeps some of them in the
    // program past the profile they belong to).
    static QWebEngineProfile* makeProfile(QObject* parent, Cache cache);

    // Asked before each load of the page as a whole (not of a frame inside
    // it) that the page starts itself: a reload, a refresh, a script or link
    // moving on, each step of a redirect (the engine also calls a script's
    // reload soon after loading a redirect), with where it would go and
    // whether it came as a link (the user's click, or a script acting as
    // one: the engine does not tell them apart). The program's own loads are
    // not asked about. False refuses the load.
    void setLoadGate(std::function<bool(const QUrl& url, bool link)> gate) { m_loadGate = std::move(gate); }
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

    std::function<bool(const QUrl& url, bool link)> m_loadGate;
    std::function<bool()> m_requestGate;
};

// Only http and https pages are shown in the panel (and the empty page).
bool isWebAddress(const QUrl& url);

} // namespace platform
