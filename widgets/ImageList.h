// Pictures the HTML label can show inline: an indexed list of equally sized
// images ("idx:N" sources) and a container of named pictures.
#pragma once

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

class TImageList {
public:
    explicit TImageList(QSize imageSize = QSize(16, 16)) : FImageSize(imageSize) {}

    QSize ImageSize() const { return FImageSize; }
    int Count() const { return int(FImages.size()); }
    // The picture is scaled to the list's image size.
    void Add(const QPixmap& picture) { FImages.append(picture.scaled(FImageSize)); }
    const QPixmap& Image(int index) const { return FImages.at(index); }
    void Clear() { FImages.clear(); }

private:
    QSize FImageSize;
    QList<QPixmap> FImages;
};

// Named pictures; names compare without regard to case.
class TPictureContainer {
public:
    void Add(const QString& name, const QPixmap& picture) { FPictures.insert(name.toUpper(), picture); }
    const QPixmap* Find(const QString& name) const
    {
        auto it = FPictures.constFind(name.toUpper());
        return it == FPictures.constEnd() ? nullptr : &*it;
    }

private:
    QHash<QString, QPixmap> FPictures;
};
