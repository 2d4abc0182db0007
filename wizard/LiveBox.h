// TLiveBox: the small picture of the whole box in a corner of the face steps,
// drawn in the free view while the faces are edited, with a button that
// hides it.
#pragma once

#include "imaging/Bitmap32.h"

#include <QFrame>
#include <QImage>

class QToolButton;

class TLiveBox : public QFrame {
    Q_OBJECT

public:
    explicit TLiveBox(QWidget* parent = nullptr);

    // The picture size that fills the box, in device pixels.
    QSize PictureSize() const;
    // Shows a frame of the free view (straight alpha) on the box's ground.
    void SetPicture(const TBitmap32& frame);
    // Shows why there is no picture instead of one.
    void SetProblem(const QString& text);
    const QImage& Picture() const { return FPicture; }
    // How many frames were shown (for tests of when it draws).
    int FramesShown() const { return FFramesShown; }

    QToolButton* btnLiveBoxHide;

signals:
    // The hide button was pressed.
    void HideRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage FPicture;
    QString FProblem;
    int FFramesShown = 0;
};
