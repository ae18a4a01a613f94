// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the panel's browser is the system's WebBrowser control, in a
// native child window of the panel (webbrowser_win.cpp hosts it).
#include "platform/systemwebview.h"

#include "platform/win32/webbrowser_win.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QRegion>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <ole2.h>

namespace platform {
namespace {

class SystemBrowserView final : public QWidget, public WebView, private QAbstractNativeEventFilter {
public:
    SystemBrowserView(QWidget* parent, WebViewHooks hooks)
        : QWidget(parent)
        , m_hooks(std::move(hooks))
    {
        // A window of its own for the control to live in; the panel's frame
        // and the widgets around it stay as they are.
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        // The panel is one stop in its window's Tab order (see nativeEventFilter).
        setFocusPolicy(Qt::TabFocus);

        // Qt's Windows platform initialises OLE for this thread already;
        // the view holds its own count all the same, for as long as the control lives.
        m_ole = OleInitialize(nullptr);
        if (FAILED(m_ole))
            return;
        WebBrowserEvents events;
        // Passed on once the control's event handler has returned: whatever
        // the panel does next (load again, open a browser) must not run
        // inside the control.
        events.loadFinished = [this](bool ok) {
            QTimer::singleShot(0, this, [this, ok] {
                if (m_hooks.loadFinished)
                    m_hooks.loadFinished(ok);
            });
        };
        events.openExternally = [this](const std::wstring& url) {
            QTimer::singleShot(0, this, [this, address = QUrl(QString::fromStdWString(url))] {
                if (m_hooks.openExternally)
                    m_hooks.openExternally(address);
            });
        };
        m_host = WebBrowserHost::create(reinterpret_cast<HWND>(winId()), std::move(events));
        if (m_host)
            QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~SystemBrowserView() override
    {
        if (m_host)
            QCoreApplication::instance()->removeNativeEventFilter(this);
        // Closed while its window is still there.
        m_host.reset();
        if (SUCCEEDED(m_ole))
            OleUninitialize();
    }

    bool hasControl() const { return m_host != nullptr; }

    QWidget* widget() override { return this; }

    void load(const QUrl& url) override { m_host->navigate(url.toString().toStdWString()); }

    // The control runs in this process: a page that hangs cannot be ended
    // without ending the program, so there is nothing to be patient about.
    void setPatience(WebViewPatience patience) override { m_patience = patience; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        clipToParent();
    }

    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        clipToParent();
    }

    // The control follows the window, not the widget: Qt sizes a hidden
    // widget's window only as it shows it, after the resize event.
    bool nativeEvent(const QByteArray& type, void* message, qintptr* result) override
    {
        if (m_host && type == "windows_generic_MSG" && static_cast<const MSG*>(message)->message == WM_SIZE)
            m_host->fitToContainer();
        return QWidget::nativeEvent(type, message, result);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        if (!m_leaving)
            m_host->takeFocus();
    }

private:
    // The view may be larger than its parent (the panel hides the page's
    // edges under the frame's border). A native window is not clipped by
    // the widgets it sits in, so it is cut to the parent's rectangle here.
    void clipToParent()
    {
        const QRect visible = rect() & parentWidget()->rect().translated(-pos());
        if (visible == rect())
            clearMask();
        else
            setMask(QRegion(visible));
    }

    // Keys typed into the page go to the control's windows, past Qt: Tab and
    // Shift+Tab are taken from them here and move on to the window's next or
    // previous control, instead of walking through the page's links.
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_KEYDOWN || msg->wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0
            || GetKeyState(VK_MENU) < 0)
            return false;
        const HWND own = reinterpret_cast<HWND>(internalWinId());
        if (!own || (msg->hwnd != own && !IsChild(own, msg->hwnd)))
            return false;
        // From the panel's place in the Tab order, wherever Qt's focus was.
        m_leaving = true;
        setFocus(Qt::OtherFocusReason);
        m_leaving = false;
        focusNextPrevChild(GetKeyState(VK_SHIFT) >= 0);
        return true;
    }

    WebViewHooks m_hooks;
    WebViewPatience m_patience;
    HRESULT m_ole = E_FAIL;
    std::unique_ptr<WebBrowserHost> m_host;
    bool m_leaving = false;
};

class SystemWebViewFactory final : public WebViewFactory {
public:
    WebView* createView(QWidget* parent, WebViewHooks hooks) override
    {
        auto* view = new SystemBrowserView(parent, std::move(hooks));
        if (view->hasControl())
            return view;
        delete view;
        return nullptr;
    }
};

} // namespace

WebViewFactory* systemWebViewFactory()
{
    // A browser module named for the panel (as the tests name a missing one)
    // is the panel's browser instead, or none.
    if (qEnvironmentVariableIsSet("ZELVAN_WEBVIEW_PLUGIN"))
        return nullptr;
    static SystemWebViewFactory factory;
    return &factory;
}

} // namespace platform
