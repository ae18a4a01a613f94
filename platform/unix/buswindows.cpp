// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unix/buswindows.h"

#include <QLatin1String>
#include <QXmlStreamReader>

#include <algorithm>

namespace platform {

namespace {

// An object path element: [A-Za-z0-9_]+.
bool isPathElement(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
    });
}

} // namespace

QStringList windowNodes(const QString& introspection)
{
    QStringList nodes;
    QXmlStreamReader xml(introspection);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth == 2 && xml.name() == QLatin1String("node")) {
                const QString name = xml.attributes().value(QLatin1String("name")).toString();
                if (isPathElement(name))
                    nodes << name;
            }
            break;
        case QXmlStreamReader::EndElement: --depth; break;
        default: break;
        }
    }
    return nodes;
}

WindowQueue::Next WindowQueue::next(int lookUpsOut) const
{
    if (m_closing)
        return Next::Wait;
    if (!m_windows.empty())
        return Next::Ask;
    return lookUpsOut == 0 ? Next::GiveUp : Next::Wait;
}

WindowQueue::Window WindowQueue::take()
{
    Window window = std::move(m_windows.front());
    m_windows.pop_front();
    m_closing = true;
    return window;
}

} // namespace platform
