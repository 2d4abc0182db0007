// TLayerCommands: the layer commands of the wizard page's face steps. They
// add image, pasted and text layers to the current face (offering a blank
// image first when the face has none), copy, cut and delete the selected
// layer, change its place in the stack and turn it by a quarter.
//
// The page owns the object and hands it what it needs in TLayerCommandHost;
// it puts the commands on its layer toolbar (FillToolBar), shows popLayer on
// a right-click on a layer and calls UpdateActions from its idle update.
#pragma once

#include "imaging/Bitmap32.h"

#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QWidget;
class TBitmapLayer;
class TImgView32;
class TLayerSelection;

// What the commands need from the page.
struct TLayerCommandHost {
    TLayerSelection* Selection = nullptr;
    // The wizard step (1 front, 2 side, 3 top; 4 result).
    std::function<int()> CurrentStep;
    // The page's unsaved-work flag.
    std::function<void(bool)> SetModified;
    // The folder the open dialog starts in.
    std::function<QString()> OpenInitialFolder;
    // The 16 x 16 glyph at an index of the page's image list.
    std::function<QIcon(int)> Glyph;
    // Called when a new blank face has put the view back at scale 1, so the
    // page's zoom gauge and label can follow.
    std::function<void()> ScaleReset;
    // Owner of the menu, the dialogs and the message boxes.
    QWidget* Parent = nullptr;
    // Told the folder of a file chosen in the open dialog (the page remembers it).
    std::function<void(const QString&)> OpenFolderChosen = nullptr;
};

class TLayerCommands : public QObject {
    Q_OBJECT
public:
    explicit TLayerCommands(TLayerCommandHost host, QObject* parent = nullptr);
    // The menu goes with its owner widget, or with the commands when there is none.
    ~TLayerCommands() override;

    // The actions: category "Layer"; the z-order and turn actions carry
    // their Tag as data().
    QAction* actLayerImage;
    QAction* actLayerText;
    QAction* actLayerCut;
    QAction* actLayerCopy;
    QAction* actLayerPaste;
    QAction* actLayerDelete;
    QAction* actLayerBringToFront;
    QAction* actLayerBringFoward;
    QAction* actLayerSendBack;
    QAction* actLayerSendToBack;
    QAction* actLayerRotate90ccw;
    QAction* actLayerRotate90cw;
    // Move the selected layer by one face pixel (with Shift by ten): Left,
    // Right, Up, Down, then the same with Shift. On no toolbar or menu; the
    // face views take them (TakeKeysOn).
    QList<QAction*> actLayerNudge;
    // Cut, Copy, Paste, Delete, a separator and the four z-order commands.
    QMenu* popLayer;

    // Puts the commands at the front of the toolbar in their groups, a
    // separator after each group (the last one only when the toolbar does not
    // start with a separator already).
    void FillToolBar(QToolBar* bar);

    // Delete, Ctrl+X, Ctrl+C and Ctrl+V work while the focus is in the view
    // or on the toolbar, the arrow keys while the view has it.
    void TakeKeysOn(QWidget* view);

    // The enabling rules, run from the page's idle-time update.
    void UpdateActions();

    // True when the view has an image, after offering the New Image dialog
    // when it had none.
    bool EnsureFaceImage(TImgView32* view);

    // The execute handlers (the z-order and turn handlers read the sender's Tag).
    void actLayerImageExecute();
    void actLayerTextExecute();
    void actLayerCutExecute();
    void actLayerCopyExecute();
    void actLayerPasteExecute();
    void actLayerDeleteExecute();
    void actLayerBringToFrontExecute(const QAction* sender);
    void actLayerRotate90ccwExecute(const QAction* sender);
    void NudgeSelectedLayer(int dx, int dy);

private:
    QAction* MakeAction(const char* name, QString caption, QString hint, int glyph, int tag);
    // Gives the action its keys and names them in its tooltip.
    static void SetKeys(QAction* action, const QKeySequence& keys, Qt::ShortcutContext context);
    void Bind(QAction* action, std::function<void()> handler);
    int Step() const;
    TImgView32* CurrentView() const;
    void SetModified();
    // Turns the selected layer by a quarter: +90 counter-clockwise, -90 clockwise.
    void TurnSelectedLayer(float angle);

    TLayerCommandHost FHost;
};

// The quarter turn of a layer picture: the picture (W x H) is mapped into an
// H x W one with the bilinear or nearest sampling of its stretch filter, its
// outer ring made transparent first; the result keeps the turned picture's
// default draw settings (opaque, master alpha 255, nearest). +90 turns it
// counter-clockwise on screen, -90 clockwise.
void TurnLayerBitmap(TBitmap32& bitmap, float angle);

// The layer's picture with the alpha it is seen with: an opaque layer is
// opaque (no alpha channel), a blended one keeps its alpha, and a text layer is its text colour
// with the text's coverage as alpha (its background see-through).
QImage LayerPictureWithAlpha(const TBitmapLayer& layer);
