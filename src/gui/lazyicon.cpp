#include "lazyicon.h"

#include <QImageReader>
#include <QPainter>

QPixmap readPng(const QString &fileName)
{
    // Told the format and not to guess it: guessing, Qt loads every image format plugin
    // to ask it, even with the format named.
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon lazyIcon(const QString &name, int pixels)
{
    return LazyIconEngine::icon(QStringLiteral(":/images/images/") + name, QSize(pixels, pixels));
}

LazyIconEngine::LazyIconEngine(const QString &fileName, const QSize &fileSize)
    : m_fileName(fileName), m_fileSize(fileSize)
{
}

QIcon LazyIconEngine::icon(const QString &fileName, const QSize &fileSize)
{
    return QIcon(new LazyIconEngine(fileName, fileSize));
}

QIcon &LazyIconEngine::loaded()
{
    if (!m_icon) {
        m_image = readPng(m_fileName);
        m_icon = QIcon(m_image);
    }
    return *m_icon;
}

void LazyIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                           QIcon::State state)
{
    // The tray icon is painted here. Drawn straight from the image, its scaled copy stays
    // out of Qt's pixmap cache, whose clean-up would wake the program half a minute later.
    if (mode != QIcon::Normal) {
        loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
        return;
    }
    loaded();
    QRect target(QPoint(), actualSize(rect.size(), mode, state));
    target.moveCenter(rect.center());
    painter->drawPixmap(target.topLeft(), m_image.size() == target.size()
                                              ? m_image
                                              : m_image.scaled(target.size(), Qt::IgnoreAspectRatio,
                                                               Qt::SmoothTransformation));
}

QPixmap LazyIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return loaded().pixmap(size, mode, state);
}

QPixmap LazyIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                                     qreal scale)
{
    return loaded().pixmap(size, scale, mode, state);
}

QSize LazyIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    // As Qt's own icons do: never larger than the image, and never larger than asked.
    return m_fileSize.boundedTo(size).isEmpty()
               ? QSize()
               : m_fileSize.scaled(size.boundedTo(m_fileSize), Qt::KeepAspectRatio);
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    return {m_fileSize};
}

QIconEngine *LazyIconEngine::clone() const
{
    return new LazyIconEngine(*this);
}

QString LazyIconEngine::key() const
{
    return QStringLiteral("LazyIconEngine");
}

bool LazyIconEngine::isNull()
{
    return m_fileName.isEmpty();
}
