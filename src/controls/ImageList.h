#pragma once
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <memory>

// A list of equally sized small images, cut from strips. Copies share one
// list, as handles do: an image added through one copy shows in all.
class ImageList {
public:
    ImageList() = default;
    ImageList(int width, int height);

    bool IsNull() const { return !data; }
    QSize ImageSize() const;
    int Count() const;
    // The image at `index`; a null pixmap when out of range.
    QPixmap Image(int index) const;

    // Cuts `bitmap` into images of the list's width, left to right, with
    // every pixel of `maskColor` transparent. Returns the index of the first
    // image added, or -1.
    int AddMasked(const QImage& bitmap, const QColor& maskColor);
    // Appends the icon at the list's size. Returns its index, or -1.
    int AddIcon(const QIcon& icon);

    bool operator==(const ImageList& other) const { return data == other.data; }

    // The colour strips use for "no pixel here".
    static QColor MaskColor() { return QColor(255, 0, 255); }

    // A bitmap by its resource name: ":/controls/<name>.png", else
    // "<name>.bmp" in the program folder; a name that is already a path or a
    // resource path is read as it is. A null image when none is found.
    static QImage LoadBitmap(const QString& name);
    // `image` with every pixel of colour `key` made transparent.
    static QImage Masked(const QImage& image, const QColor& key);

private:
    struct Data {
        QSize size;
        QList<QPixmap> images;
    };
    std::shared_ptr<Data> data;
};
