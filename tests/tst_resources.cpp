// SPDX-License-Identifier: MIT
// The pictures compiled into the program: present under the paths the windows
// use, readable, of the pixel sizes their controls are laid out for, and the
// Windows icon files with the images and colour depths the shell picks from.

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

class TstResources : public QObject {
    Q_OBJECT

private slots:
    void pictures_data();
    void pictures();
    void transparentCorners_data();
    void transparentCorners();
    void iconFiles_data();
    void iconFiles();
};

// clang-format off
void TstResources::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    const struct {
        const char *path;
        const char *format;
        QSize size;
    } rows[] = {
        {":/images/banner.jpg", "jpeg", {602, 57}},
        {":/images/logo.gif", "gif", {130, 28}},
        {":/images/button-on.jpg", "jpeg", {128, 128}},
        {":/images/button-off.jpg", "jpeg", {195, 58}},
        {":/images/clear.jpg", "jpeg", {800, 600}},
        {":/images/clear-down.ico", "ico", {32, 32}},
        {":/images/clear-down.png", "png", {32, 32}},
        {":/images/calc-banner.jpg", "jpeg", {246, 33}},
        {":/images/calc-digit.png", "png", {20, 20}},
        {":/images/calc-operator.png", "png", {20, 20}},
        {":/images/calc-clear.png", "png", {20, 20}},
        {":/images/calc-equals.png", "png", {20, 20}},
        {":/images/calc-point.png", "png", {20, 20}},
        {":/images/latest.jpg", "jpeg", {100, 80}},
        {":/icons/zelvan-16.png", "png", {16, 16}},
        {":/icons/zelvan-22.png", "png", {22, 22}},
        {":/icons/zelvan-24.png", "png", {24, 24}},
        {":/icons/zelvan-32.png", "png", {32, 32}},
        {":/icons/zelvan-48.png", "png", {48, 48}},
        {":/icons/zelvan-64.png", "png", {64, 64}},
        {":/icons/zelvan-128.png", "png", {128, 128}},
        {":/icons/zelvan-256.png", "png", {256, 256}},
    };
    for (const auto &row : rows)
        QTest::newRow(row.path) << QString::fromLatin1(row.path) << QByteArray(row.format) << row.size;
}
// clang-format on

void TstResources::pictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    QVERIFY2(QFile::exists(path), "not compiled into the resources");
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
}

// clang-format off
void TstResources::transparentCorners_data()
{
    QTest::addColumn<QString>("path");
    for (const char *kind : {"digit", "operator", "clear", "equals", "point"}) {
        const QString path = QStringLiteral(":/images/calc-%1.png").arg(QLatin1String(kind));
        QTest::newRow(qPrintable(QStringLiteral("calculator %1 key").arg(QLatin1String(kind)))) << path;
    }
    for (int size : {16, 32, 256})
        QTest::newRow(qPrintable(QStringLiteral("window icon %1 px").arg(size)))
            << QStringLiteral(":/icons/zelvan-%1.png").arg(size);
}
// clang-format on

// The key pictures sit on coloured button faces and the icons on any title bar
// or panel: their corners must let the background through, while the drawing
// itself stays solid.
void TstResources::transparentCorners()
{
    QFETCH(QString, path);
    const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!image.isNull());
    QVERIFY(image.hasAlphaChannel());
    const int w = image.width() - 1;
    const int h = image.height() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        QCOMPARE(qAlpha(image.pixel(corner)), 0);
    int opaque = 0;
    for (int y = 0; y <= h; ++y)
        for (int x = 0; x <= w; ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255;
    QVERIFY2(opaque * 4 >= image.width() * image.height() / 4, "hardly anything is drawn");
}

// clang-format off
void TstResources::iconFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QSize>>("entries"); // width x bits per pixel, square images

    QTest::newRow("window icon: 48, 32 and 16 px at 4, 8 and 32 bits")
        << QStringLiteral(ZELVAN_RESOURCES_DIR "/icons/zelvan.ico")
        << QList<QSize>{{48, 4}, {48, 8}, {48, 32}, {32, 4}, {32, 8},
                        {32, 32}, {16, 4}, {16, 8}, {16, 32}};
    QTest::newRow("clear button's pressed picture: 32 px at 24 bits")
        << QStringLiteral(ZELVAN_RESOURCES_DIR "/images/clear-down.ico") << QList<QSize>{{32, 24}};
}
// clang-format on

// Reads the icon directory and each image's own header, then lets Qt decode
// every image, so a wrong offset, size or depth in the writer shows here.
void TstResources::iconFiles()
{
    QFETCH(QString, file);
    QFETCH(QList<QSize>, entries);

    QFile f(file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.errorString()));
    const QByteArray data = f.readAll();
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(data.constData() + at); };
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(data.constData() + at); };

    QVERIFY(data.size() >= 6);
    QCOMPARE(u16(0), quint16(0));
    QCOMPARE(u16(2), quint16(1));
    QCOMPARE(int(u16(4)), entries.size());
    QVERIFY(data.size() >= 6 + 16 * entries.size());

    for (int i = 0; i < entries.size(); ++i) {
        const qsizetype dir = 6 + 16 * i;
        const int side = entries[i].width();
        const int bpp = entries[i].height();
        QCOMPARE(int(quint8(data[dir])), side);
        QCOMPARE(int(quint8(data[dir + 1])), side);
        QCOMPARE(int(u16(dir + 6)), bpp);
        const quint32 length = u32(dir + 8);
        const quint32 offset = u32(dir + 12);
        QVERIFY(offset + length <= quint32(data.size()));

        // BITMAPINFOHEADER: the height counts the colour image and the AND mask.
        QCOMPARE(u32(offset), quint32(40));
        QCOMPARE(int(u32(offset + 4)), side);
        QCOMPARE(int(u32(offset + 8)), 2 * side);
        QCOMPARE(int(u16(offset + 14)), bpp);
        const auto rowBytes = [](int bits) { return (bits + 31) / 32 * 4; };
        const quint32 palette = bpp <= 8 ? 4u << bpp : 0;
        QCOMPARE(length, 40 + palette + quint32(side * (rowBytes(side * bpp) + rowBytes(side))));
    }

    QImageReader reader(file);
    QCOMPARE(reader.imageCount(), entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.width(), entries[i].width());
    }
}

QTEST_GUILESS_MAIN(TstResources)
#include "tst_resources.moc"
