#include "controls/ImageList.h"

#include <QFileInfo>

#include "settings/ProgramFolder.h"

// The control images live in the core library, which is linked statically:
// referencing the resource's initialiser keeps it in every program.
static void LoadControlResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(controls);
        return true;
    }();
    Q_UNUSED(loaded);
}

ImageList::ImageList(int width, int height) : data(std::make_shared<Data>()) {
    data->size = QSize(qMax(width, 1), qMax(height, 1));
}

QSize ImageList::ImageSize() const {
    return data ? data->size : QSize();
}

int ImageList::Count() const {
    return data ? int(data->images.size()) : 0;
}

QPixmap ImageList::Image(int index) const {
    if (!data || index < 0 || index >= data->images.size())
        return QPixmap();
    return data->images.at(index);
}

int ImageList::AddMasked(const QImage& bitmap, const QColor& maskColor) {
    if (!data || bitmap.isNull())
        return -1;
    const QImage clear = Masked(bitmap, maskColor);
    const int width = data->size.width();
    const int first = Count();
    for (int x = 0; x + width <= clear.width(); x += width) {
        QImage piece = clear.copy(x, 0, width, data->size.height());
        data->images.append(QPixmap::fromImage(piece));
    }
    return Count() > first ? first : -1;
}

int ImageList::AddIcon(const QIcon& icon) {
    if (!data || icon.isNull())
        return -1;
    data->images.append(icon.pixmap(data->size));
    return Count() - 1;
}

QImage ImageList::LoadBitmap(const QString& name) {
    LoadControlResources();
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QImage();
    QStringList candidates;
    if (trimmed.startsWith(':') || trimmed.contains('/')) {
        candidates << trimmed;
    } else {
        candidates << QStringLiteral(":/controls/%1.png").arg(trimmed)
                   << QStringLiteral(":/controls/%1.png").arg(trimmed.toLower())
                   << ProgramFolder::File(trimmed + QStringLiteral(".bmp"));
    }
    for (const QString& path : candidates) {
        if (!QFileInfo::exists(path))
            continue;
        QImage image(path);
        if (!image.isNull())
            return image;
    }
    return QImage();
}

QImage ImageList::Masked(const QImage& image, const QColor& key) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb keyRgb = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == keyRgb)
                line[x] = 0;
        }
    }
    return result;
}
