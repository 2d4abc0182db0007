// TLayerCommands: the layer commands of the wizard page's face steps. They
// add image, pasted and text layers to the current face (offering a blank
// image first when the face has none), copy, cut and delete the selected
// layer, change its place in the stack, turn it by a quarter and edit a text
// layer's text. Every change is a step of the page's undo history, which
// Undo and Redo walk.
//
// The page owns the object and hands it what it needs in TLayerCommandHost;
// it puts the commands on its layer toolbar (FillToolBar), shows popLayer on
// a right-click on a layer and calls UpdateActions from its idle update.
#pragma once

#include "imaging/Bitmap32.h"
#include "resources/StringTable.h"

#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class TEditHistory;
class TEditStep;
class QToolBar;
class QWidget;
class TBitmapLayer;
class TImgView32;
class TLayerSelection;
class TPositionedLayer;
struct TRealRect;

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
    // Owner of the menu, the dialogs and the message boxes; Undo and Redo
    // take their keys anywhere in its window.
    QWidget* Parent = nullptr;
    // Told the folder of a file chosen in the open dialog (the page remembers it).
    std::function<void(const QString&)> OpenFolderChosen = nullptr;
    // Brings up the step of a face (1..3) before its change is undone or redone.
    std::function<void(int)> ShowFace = nullptr;
};

class TLayerCommands : public QObject {
    Q_OBJECT
public:
    explicit TLayerCommands(TLayerCommandHost host, QObject* parent = nullptr);
    // The menu goes with its owner widget, or with the commands when there is none.
    ~TLayerCommands() override;

    // The actions: category "Layer"; the z-order and turn actions carry
    // their Tag as data().
    QAction* actLayerUndo;
    QAction* actLayerRedo;
    QAction* actLayerEditText;
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
    // Cut, Copy, Paste, Delete, Edit Text, a separator and the four z-order commands.
    QMenu* popLayer;

    // The page's undo history.
    TEditHistory* History() const { return FHistory; }
    // Makes a step of the history (runs it) on the current face.
    void Record(std::unique_ptr<TEditStep> step);

    // Puts Undo and Redo and the commands at the front of the toolbar in their groups, a
    // separator after each group (the last one only when the toolbar does not
    // start with a separator already).
    void FillToolBar(QToolBar* bar);

    // Delete, Ctrl+X, Ctrl+C and Ctrl+V work while the focus is in the view
    // or on the toolbar, the arrow keys while the view has it.
    void TakeKeysOn(QWidget* view);

    // The enabling rules, run from the page's idle-time update. Undo and Redo
    // name the step they take back or do again in their tooltips.
    void UpdateActions();
    // Undo and Redo alone: the page runs it on every step (they work from
    // step 1 to the result).
    void UpdateHistoryActions();

    // True when the view has an image, after offering the New Image dialog
    // when it had none.
    bool EnsureFaceImage(TImgView32* view);

    // The execute handlers (the z-order and turn handlers read the sender's Tag).
    void actLayerUndoExecute();
    void actLayerRedoExecute();
    void actLayerEditTextExecute();
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
    // Adds a copy of the picture as a layer of the view, as one step.
    void AddLayerStep(TImgView32* view, const TBitmap32& picture, StrId text);
    // Takes the selected layer out of the face, as one step.
    void DeleteSelectedLayer(StrId text);
    // The selection frame's drag of a layer ended: one step for the drag.
    void LayerDragged(int face, TPositionedLayer* layer, const TRealRect& before, const TRealRect& after, bool moved);
    // The face's colour under a point of the face, invalid off the picture.
    QColor FaceColorAt(TImgView32* view, float x, float y) const;

    TLayerCommandHost FHost;
    TEditHistory* FHistory;
};

// The quarter turn of a layer picture in place (TurnLayerPicture, the
// turned picture taking the bitmap's place with its draw settings).
void TurnLayerBitmap(TBitmap32& bitmap, float angle);

// The layer's picture with the alpha it is seen with: an opaque layer is
// opaque (no alpha channel), a blended one (a text layer too: its text colour
// with the text's coverage as alpha) keeps its alpha.
QImage LayerPictureWithAlpha(const TBitmapLayer& layer);
