// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support: records the addresses handed to the desktop's browser
// instead of opening one. On Linux the program goes through QDesktopServices,
// which takes a handler in-process. On Windows it asks the shell, which
// starts the http and https handler registered for the user: for the
// recorder's life that is the stand-in program (standin.cpp, named by
// ZELVAN_STANDIN), which appends each address to a file, in UTF-8. The
// shell starts it on its own time, so read opened() with QTRY_COMPARE.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#endif

class UrlRecorder : public QObject {
    Q_OBJECT

public:
#ifdef Q_OS_WIN
    UrlRecorder()
    {
        m_record = m_dir.filePath(QStringLiteral("opened.txt"));
        qputenv("ZELVAN_URL_RECORD", QDir::toNativeSeparators(m_record).toLocal8Bit());
        const QString standin = QFileInfo(qEnvironmentVariable("ZELVAN_STANDIN")).absoluteFilePath();
        const QString handler =
            QStringLiteral("\"%1\" record \"%2\"").arg(QDir::toNativeSeparators(standin), QStringLiteral("%1"));
        for (const QString& scheme : {QStringLiteral("http"), QStringLiteral("https")}) {
            m_previous << QSettings(commandKey(scheme), QSettings::NativeFormat).value(QStringLiteral("."));
            QSettings(commandKey(scheme), QSettings::NativeFormat).setValue(QStringLiteral("."), handler);
        }
    }
    ~UrlRecorder() override
    {
        const QStringList schemes{QStringLiteral("http"), QStringLiteral("https")};
        for (qsizetype i = 0; i < schemes.size(); ++i)
            QSettings(commandKey(schemes[i]), QSettings::NativeFormat).setValue(QStringLiteral("."), m_previous[i]);
    }

    QList<QUrl> opened() const
    {
        QList<QUrl> urls;
        QFile record(m_record);
        if (record.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : record.readAll().split('\n')) {
                if (!line.trimmed().isEmpty())
                    urls << QUrl(QString::fromUtf8(line.trimmed()));
            }
        }
        return urls;
    }

private:
    // Windows reads a user's own handler from HKEY_CURRENT_USER\Software\Classes
    // first, Wine only the machine's: the tests run in a prefix of their own,
    // so the machine's is taken, and given back afterwards.
    static QString commandKey(const QString& scheme)
    {
        return QStringLiteral("HKEY_CLASSES_ROOT\\%1\\shell\\open\\command").arg(scheme);
    }

    QTemporaryDir m_dir;
    QString m_record;
    QVariantList m_previous;
#else
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

    QList<QUrl> opened() const
    {
        return m_opened;
    }

public slots:
    void open(const QUrl& url)
    {
        m_opened << url;
    }

private:
    QList<QUrl> m_opened;
#endif
};
