// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support: records the addresses handed to the desktop's browser
// (QDesktopServices) instead of opening one.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder()
    {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlRecorder() override
    {
        for (const char* scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};
