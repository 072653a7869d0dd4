#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QSize>
#include <optional>

// The PNG image in `fileName`, read without probing the other image formats.
QPixmap readPng(const QString &fileName);

// The program's image `name`, of `pixels` square, from its resources; decoded when first
// drawn, since the main window starts hidden in the tray.
QIcon lazyIcon(const QString &name, int pixels);

// An icon whose image file is read only when the icon is first drawn. Qt reads and decodes
// an image file as soon as it is added to an icon; for the main window, which starts hidden
// in the tray, that was a third of the program's start-up.
class LazyIconEngine : public QIconEngine
{
public:
    // `fileSize` is the image's size in pixels, known without reading the file.
    LazyIconEngine(const QString &fileName, const QSize &fileSize);

    static QIcon icon(const QString &fileName, const QSize &fileSize);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QIcon &loaded();

    QString m_fileName;
    QSize m_fileSize;
    QPixmap m_image; // as read, for drawing it
    std::optional<QIcon> m_icon;
};
