// A stand-in for a file manager: a small window that starts dragging the
// files given on its command line (as file URLs, copy or link) when the mouse
// is pressed on it, and prints the action the drop target last accepted
// ("copy", "link" or "ignore"). It stays until it is ended: the target reads
// the dragged data from it after the drop.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <cstdio>

namespace {

class TDragSource : public QLabel {
public:
    explicit TDragSource(const QList<QUrl>& files) : FFiles(files)
    {
        setWindowTitle(QStringLiteral("Journey drag source"));
        setText(QStringLiteral("Drag me"));
        setAlignment(Qt::AlignCenter);
        setAutoFillBackground(true);
        setPalette(QPalette(Qt::yellow));
        resize(120, 60);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls(FFiles);
        drag->setMimeData(mime);
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
        const char* what = done == Qt::CopyAction ? "copy" : done == Qt::LinkAction ? "link" : "ignore";
        std::printf("%s\n", what);
        std::fflush(stdout);
    }

private:
    QList<QUrl> FFiles;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QList<QUrl> files;
    for (int i = 1; i < argc; ++i) files << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: journey_dragsource FILE...\n");
        return 2;
    }
    TDragSource source(files);
    source.move(0, 0);
    source.show();
    return app.exec();
}
