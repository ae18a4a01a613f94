// SPDX-License-Identifier: GPL-3.0-or-later
// Linux desktops: the first calculator found on PATH from a fixed list,
// closed by the first route that works, in the order of least force: one of
// its windows on X11 asked to close; on a Wayland session, where a client
// cannot see other programs' windows, one asked through its application
// interface on the session bus; and last, the calculator process started
// here asked to end.
#include "platform/systemcalculator.h"

#include "platform/unix/buscalculator.h"
#include "platform/unix/startedprocesses.h"
#include "platform/unix/x11calculatorwindows.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QString>

namespace platform {

namespace {

struct Calculator {
    const char* program;
    const char* windowClass; // ICCCM WM_CLASS class part, compared case-insensitively
    // A GtkApplication's name and object path on the session bus; its windows
    // are exported below <path>/window/<n>, each with a "close" action.
    const char* busName;
    const char* busPath;
};

// GNOME Calculator 43 is started once per window and owns no bus name
// (non-unique), yet every instance exports its windows under its own
// connection; single-instance builds own the name as well. KCalc 22.12 and
// the others have no such interface.
constexpr Calculator kCalculators[] = {
    {"gnome-calculator", "gnome-calculator", "org.gnome.Calculator", "/org/gnome/Calculator"},
    {"kcalc", "kcalc", nullptr, nullptr},
    {"mate-calc", "mate-calc", nullptr, nullptr},
    {"galculator", "galculator", nullptr, nullptr},
    {"qalculate-gtk", "qalculate-gtk", nullptr, nullptr},
    {"xcalc", "xcalc", nullptr, nullptr},
};

const Calculator* findCalculator(QString* path = nullptr)
{
    for (const Calculator& c : kCalculators) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(c.program));
        if (!found.isEmpty()) {
            if (path)
                *path = found;
            return &c;
        }
    }
    return nullptr;
}

// This program on a Wayland desktop: natively, or through XWayland in a
// Wayland session. Without a desktop at all (the offscreen platform) there is
// nothing to close, as on X11, even when the environment names a session.
bool onWaylandDesktop()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland")))
        return true;
    return platform == QLatin1String("xcb")
           && (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
               || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"));
}

// What closes still under way may take once the window has gone, before the
// program ends; a call already out may add what is left of its own timeout.
constexpr int kExitBudgetMs = 2000;

} // namespace

struct SystemCalculator::Routes {
    StartedProcesses started;
    BusCalculator bus;
    int waiting = 0; // closes asked for and not yet begun

    Routes() = default;
    Routes(const Routes&) = delete;
    Routes& operator=(const Routes&) = delete;
    ~Routes();

    void closeNext();
};

// This object goes with the main window, once the program is ending and the
// window is no longer shown: closes still under way, the one asked for by
// closing the window at least, are carried out here. They wait on the bus
// itself rather than in an event loop, which would deliver events to a
// window half destroyed; nobody sees the wait, and it is bounded.
SystemCalculator::Routes::~Routes()
{
    bus.finish(QDeadlineTimer(kExitBudgetMs));
}

// One close at a time, in the order asked: two quick clicks never pick the
// same window twice, and a close that is slow to be answered is never
// followed by a second one for the same click.
void SystemCalculator::Routes::closeNext()
{
    while (waiting > 0 && !bus.busy()) {
        --waiting;
        const Calculator* calculator = findCalculator();
        if (calculator && X11CalculatorWindows().closeOne(calculator->windowClass))
            continue;
        // On X11 sessions that is all: a calculator window not found is not
        // an error, and nothing else is tried.
        if (!onWaylandDesktop())
            continue;
        const auto busClosed = [this](bool closed) {
            if (!closed)
                started.endLatest();
            closeNext();
        };
        if (calculator && calculator->busName
            && bus.closeOne(QString::fromLatin1(calculator->busName), QString::fromLatin1(calculator->busPath),
                            busClosed))
            return;
        started.endLatest();
    }
}

SystemCalculator::SystemCalculator()
    : m_routes(std::make_unique<Routes>())
{
}

SystemCalculator::~SystemCalculator() = default;

CalculatorStart SystemCalculator::start()
{
    QString path;
    if (!findCalculator(&path)) {
        std::string names;
        for (const Calculator& c : kCalculators)
            names += std::string(names.empty() ? "" : ", ") + c.program;
        return {CalculatorError::NotInstalled, names};
    }
    if (!m_routes->started.start(path))
        return {CalculatorError::NotStarted, path.toStdString()};
    return {CalculatorError::None, path.toStdString()};
}

void SystemCalculator::closeOne()
{
    ++m_routes->waiting;
    m_routes->closeNext();
}

} // namespace platform
