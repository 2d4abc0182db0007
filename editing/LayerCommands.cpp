#include "editing/LayerCommands.h"

#include "codecs/ImageFiles.h"
#include "editing/DialogLook.h"
#include "editing/EditHistory.h"
#include "editing/EditSteps.h"
#include "editing/FontDlg.h"
#include "editing/LayerSelection.h"
#include "editing/NewImageDlg.h"
#include "editing/OpenPictureDlg.h"
#include "editing/TextLayer.h"
#include "editing/UpDown.h"
#include "imaging/ImgView32.h"
#include "imaging/Transformation.h"
#include "imaging/ViewUpdateHold.h"
#include "resources/StringTable.h"
#include "settings/ProgramKey.h"
#include "widgets/ErrorBox.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStyle>
#include <QToolBar>
#include <QUndoStack>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

// Places of the command glyphs in the page's image list.
enum TGlyph {
    glyphCut = 5,
    glyphCopy = 6,
    glyphPaste = 7,
    glyphBringToFront = 8,
    glyphBringForward = 9,
    glyphSendBack = 10,
    glyphSendToBack = 11,
    glyphRotate90ccw = 12,
    glyphRotate90cw = 13,
    glyphText = 16,
    glyphImage = 17,
    glyphDelete = 18,
};
constexpr int kNoGlyph = -1;

// Tags of the z-order and turn actions.
enum TZOrderTag { zoBringToFront = 0, zoBringForward = 1, zoSendBack = 2, zoSendToBack = 3 };
constexpr int kTagRotateCcw = 0;
constexpr int kTagRotateCw = 1;
constexpr int kSideStep = 2;
constexpr int kTextLayerTag = 1;

QString BoxFaceName(int step)
{
    switch (step) {
    case 1: return LoadStr(StrId::LayerBoxFront);
    case 2: return LoadStr(StrId::LayerBoxSide);
    case 3: return LoadStr(StrId::LayerBoxTop);
    default: return QString();
    }
}

TColor32 OpaqueColor32(const QColor& c)
{
    return 0xFF000000u | (c.rgb() & 0x00FFFFFFu);
}

// The clipboard format that keeps alpha; the plain image is for other programs.
const QString kPngMime = QStringLiteral("image/png");

TBitmapTextLayer* AsTextLayer(TCustomLayer* layer)
{
    return layer && layer->Tag == kTextLayerTag ? dynamic_cast<TBitmapTextLayer*>(layer) : nullptr;
}

// Bounds of the same centre whose size is the picture's at the scale the
// layer is shown at now (width per pixel and height per pixel).
TRealRect BoundsAtScale(const TRealRect& old, const TBitmap32& oldPicture, const TBitmap32& picture)
{
    const float sx = oldPicture.Width() > 0 ? (old.Right - old.Left) / float(oldPicture.Width()) : 1.0f;
    const float sy = oldPicture.Height() > 0 ? (old.Bottom - old.Top) / float(oldPicture.Height()) : 1.0f;
    const float cx = (old.Left + old.Right) / 2, cy = (old.Top + old.Bottom) / 2;
    const float hw = float(picture.Width()) * sx / 2, hh = float(picture.Height()) * sy / 2;
    return TRealRect{cx - hw, cy - hh, cx + hw, cy + hh};
}

// Nudges: dx, dy of Left, Right, Up, Down.
constexpr int kNudges[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
constexpr int kShiftNudge = 10;

} // namespace

void TurnLayerBitmap(TBitmap32& bitmap, float angle)
{
    if (bitmap.IsEmpty()) return;
    TBitmap32 turned;
    TurnLayerPicture(bitmap, angle, turned);
    bitmap.SwapPixels(turned);
    bitmap.DrawMode = turned.DrawMode;
    bitmap.MasterAlpha = turned.MasterAlpha;
    bitmap.OuterColor = turned.OuterColor;
    bitmap.StretchFilter = turned.StretchFilter;
    bitmap.NotifyChanged();
}

QImage LayerPictureWithAlpha(const TBitmapLayer& layer)
{
    const TBitmap32& bitmap = layer.Bitmap();
    QImage image = bitmap.ToImage();
    if (!image.isNull() && bitmap.DrawMode != dmBlend) image = image.convertToFormat(QImage::Format_RGB32);
    return image;
}

TLayerCommands::TLayerCommands(TLayerCommandHost host, QObject* parent)
    : QObject(parent), FHost(std::move(host)), FHistory(new TEditHistory(this))
{
    FHistory->ShowFace = [this](int face) {
        if (FHost.ShowFace && face != Step()) FHost.ShowFace(face);
    };
    actLayerUndo = MakeAction("actLayerUndo", LoadStr(StrId::LayerUndoCaption), LoadStr(StrId::LayerNothingToUndo),
                              kNoGlyph, 0);
    actLayerRedo = MakeAction("actLayerRedo", LoadStr(StrId::LayerRedoCaption), LoadStr(StrId::LayerNothingToRedo),
                              kNoGlyph, 0);
    // The desktop's own arrows for them, the style's where it has none.
    const QStyle* style = QApplication::style();
    actLayerUndo->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo"), style->standardIcon(QStyle::SP_ArrowBack)));
    actLayerRedo->setIcon(QIcon::fromTheme(QStringLiteral("edit-redo"), style->standardIcon(QStyle::SP_ArrowForward)));
    actLayerEditText = MakeAction("actLayerEditText", LoadStr(StrId::LayerEditTextCaption),
                                  LoadStr(StrId::LayerEditTextHint), glyphText, 0);
    actLayerImage = MakeAction("actLayerImage", LoadStr(StrId::LayerImageCaption), LoadStr(StrId::LayerImageHint),
                               glyphImage, 0);
    actLayerText = MakeAction("actLayerText", LoadStr(StrId::LayerTextCaption), LoadStr(StrId::LayerTextHint),
                              glyphText, 0);
    actLayerCut = MakeAction("actLayerCut", LoadStr(StrId::LayerCutCaption), LoadStr(StrId::LayerCutHint), glyphCut, 0);
    actLayerCopy = MakeAction("actLayerCopy", LoadStr(StrId::LayerCopyCaption), LoadStr(StrId::LayerCopyHint),
                              glyphCopy, 0);
    actLayerPaste = MakeAction("actLayerPaste", LoadStr(StrId::LayerPasteCaption), LoadStr(StrId::LayerPasteHint),
                               glyphPaste, 0);
    actLayerDelete = MakeAction("actLayerDelete", LoadStr(StrId::LayerDeleteCaption),
                                LoadStr(StrId::LayerDeleteHint), glyphDelete, 0);
    actLayerBringToFront = MakeAction("actLayerBringToFront", LoadStr(StrId::LayerBringToFrontCaption),
                                      LoadStr(StrId::LayerBringToFrontHint), glyphBringToFront, zoBringToFront);
    actLayerBringFoward = MakeAction("actLayerBringFoward", LoadStr(StrId::LayerBringForwardCaption),
                                     LoadStr(StrId::LayerBringForwardHint), glyphBringForward, zoBringForward);
    actLayerSendBack = MakeAction("actLayerSendBack", LoadStr(StrId::LayerSendBackCaption),
                                  LoadStr(StrId::LayerSendBackHint), glyphSendBack, zoSendBack);
    actLayerSendToBack = MakeAction("actLayerSendToBack", LoadStr(StrId::LayerSendToBackCaption),
                                    LoadStr(StrId::LayerSendToBackHint), glyphSendToBack, zoSendToBack);
    actLayerRotate90ccw = MakeAction("actLayerRotate90ccw", LoadStr(StrId::LayerRotate90ccw),
                                     LoadStr(StrId::LayerRotate90ccw), glyphRotate90ccw, kTagRotateCcw);
    actLayerRotate90cw = MakeAction("actLayerRotate90cw", LoadStr(StrId::LayerRotate90cw),
                                    LoadStr(StrId::LayerRotate90cw), glyphRotate90cw, kTagRotateCw);

    // Undo and Redo anywhere in the window; a text box takes the keys for
    // its own text while it has the focus.
    actLayerUndo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    actLayerRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* a : {actLayerUndo, actLayerRedo}) {
        a->setShortcutContext(Qt::WindowShortcut);
        if (FHost.Parent) FHost.Parent->addAction(a);
    }
    SetKeys(actLayerDelete, QKeySequence(Qt::Key_Delete), Qt::WidgetWithChildrenShortcut);
    SetKeys(actLayerCut, QKeySequence(Qt::CTRL | Qt::Key_X), Qt::WidgetWithChildrenShortcut);
    SetKeys(actLayerCopy, QKeySequence(Qt::CTRL | Qt::Key_C), Qt::WidgetWithChildrenShortcut);
    SetKeys(actLayerPaste, QKeySequence(Qt::CTRL | Qt::Key_V), Qt::WidgetWithChildrenShortcut);
    // The arrows only while a view has the focus: elsewhere they belong to
    // the lists, the zoom gauge and the buttons.
    const Qt::Key arrows[4] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
    for (int shifted = 0; shifted < 2; ++shifted)
        for (int k = 0; k < 4; ++k) {
            auto* nudge = new QAction(this);
            nudge->setObjectName(QStringLiteral("actLayerNudge%1%2").arg(k).arg(shifted ? "Shift" : ""));
            nudge->setShortcut(shifted ? QKeySequence(Qt::SHIFT | arrows[k]) : QKeySequence(arrows[k]));
            nudge->setShortcutContext(Qt::WidgetShortcut);
            nudge->setAutoRepeat(true);
            const int step = shifted ? kShiftNudge : 1;
            const int dx = kNudges[k][0] * step, dy = kNudges[k][1] * step;
            Bind(nudge, [this, dx, dy] { NudgeSelectedLayer(dx, dy); });
            actLayerNudge << nudge;
        }

    Bind(actLayerUndo, [this] { actLayerUndoExecute(); });
    Bind(actLayerRedo, [this] { actLayerRedoExecute(); });
    Bind(actLayerEditText, [this] { actLayerEditTextExecute(); });
    Bind(actLayerImage, [this] { actLayerImageExecute(); });
    Bind(actLayerText, [this] { actLayerTextExecute(); });
    Bind(actLayerCut, [this] { actLayerCutExecute(); });
    Bind(actLayerCopy, [this] { actLayerCopyExecute(); });
    Bind(actLayerPaste, [this] { actLayerPasteExecute(); });
    Bind(actLayerDelete, [this] { actLayerDeleteExecute(); });
    for (QAction* a : {actLayerBringToFront, actLayerBringFoward, actLayerSendBack, actLayerSendToBack})
        Bind(a, [this, a] { actLayerBringToFrontExecute(a); });
    for (QAction* a : {actLayerRotate90ccw, actLayerRotate90cw})
        Bind(a, [this, a] { actLayerRotate90ccwExecute(a); });

    popLayer = new QMenu(FHost.Parent);
    popLayer->setObjectName(QStringLiteral("popLayer"));
    popLayer->addActions({actLayerCut, actLayerCopy, actLayerPaste, actLayerDelete, actLayerEditText});
    popLayer->addSeparator();
    popLayer->addActions({actLayerBringToFront, actLayerBringFoward, actLayerSendBack, actLayerSendToBack});
    // The menu shows the states of the moment (a right-click may just have selected a layer).
    connect(popLayer, &QMenu::aboutToShow, this, &TLayerCommands::UpdateActions);
    // A drag of the selection frame is one step, however many moves it made.
    if (FHost.Selection)
        FHost.Selection->OnLayerDragged = [this](int face, TPositionedLayer* layer, const TRealRect& before,
                                                 const TRealRect& after, bool moved) {
            RunCommand(FHost.Parent, [&] { LayerDragged(face, layer, before, after, moved); });
        };
    UpdateActions();
}

TLayerCommands::~TLayerCommands()
{
    if (FHost.Selection) FHost.Selection->OnLayerDragged = nullptr;
    if (!FHost.Parent) delete popLayer;
}

QAction* TLayerCommands::MakeAction(const char* name, QString caption, QString hint, int glyph, int tag)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint);
    action->setStatusTip(hint);
    action->setData(tag);
    action->setProperty("Category", LoadStr(StrId::LayerCategory));
    if (FHost.Glyph && glyph != kNoGlyph) action->setIcon(FHost.Glyph(glyph));
    return action;
}

void TLayerCommands::SetKeys(QAction* action, const QKeySequence& keys, Qt::ShortcutContext context)
{
    action->setShortcut(keys);
    action->setShortcutContext(context);
    action->setToolTip(LoadStr(StrId::KeyHint).arg(action->toolTip(), keys.toString(QKeySequence::NativeText)));
}

void TLayerCommands::TakeKeysOn(QWidget* view)
{
    if (!view) return;
    view->addActions({actLayerDelete, actLayerCut, actLayerCopy, actLayerPaste});
    view->addActions(actLayerNudge);
}

void TLayerCommands::Bind(QAction* action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        RunCommand(FHost.Parent, handler);
    });
}

void TLayerCommands::FillToolBar(QToolBar* bar)
{
    const QList<QAction*> existing = bar->actions();
    QAction* before = existing.isEmpty() ? nullptr : existing.first();
    const QList<QList<QAction*>> groups = {
        {actLayerUndo, actLayerRedo},
        {actLayerImage, actLayerText},
        {actLayerDelete},
        {actLayerCut, actLayerCopy, actLayerPaste},
        {actLayerBringToFront, actLayerBringFoward, actLayerSendBack, actLayerSendToBack},
        {actLayerRotate90ccw, actLayerRotate90cw},
    };
    for (int g = 0; g < groups.size(); ++g) {
        bar->insertActions(before, groups[g]);
        const bool last = g == groups.size() - 1;
        if (!last || !before || !before->isSeparator()) bar->insertSeparator(before);
    }
}

int TLayerCommands::Step() const
{
    return FHost.CurrentStep ? FHost.CurrentStep() : 0;
}

TImgView32* TLayerCommands::CurrentView() const
{
    return FHost.Selection ? FHost.Selection->View(Step()) : nullptr;
}

void TLayerCommands::SetModified()
{
    if (FHost.SetModified) FHost.SetModified(true);
}

void TLayerCommands::Record(std::unique_ptr<TEditStep> step)
{
    FHistory->Push(std::move(step));
    SetModified();
}

// ---------------------------------------------------------------------------
// Enabling rules.

void TLayerCommands::UpdateActions()
{
    const int i = Step();
    TLayerSelection* sel = FHost.Selection;
    TCustomLayer* selected = sel ? sel->SelectedLayer(i) : nullptr;
    const bool both = selected && sel->HandleLayer(i);
    const int count = both ? sel->View(i)->Layers().Count() : 0;

    for (QAction* a : {actLayerCut, actLayerCopy, actLayerDelete, actLayerRotate90ccw, actLayerRotate90cw})
        a->setEnabled(both);
    for (QAction* a : actLayerNudge) a->setEnabled(both);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    actLayerPaste->setEnabled(clip && (clip->hasImage() || clip->hasFormat(kPngMime)));
    const bool forward = both && selected->Index() < count - 2;
    actLayerBringToFront->setEnabled(forward);
    actLayerBringFoward->setEnabled(forward);
    // Also enabled on the bottom layer, where it changes nothing.
    const bool back = both && count != 2;
    actLayerSendBack->setEnabled(back);
    actLayerSendToBack->setEnabled(back);
    actLayerEditText->setEnabled(both && AsTextLayer(selected));
    UpdateHistoryActions();
}

void TLayerCommands::UpdateHistoryActions()
{
    // On the face steps and the result step, which shows the faces' work;
    // not on the first step, where a template replaces it.
    const int i = Step();
    const bool faceStep = i >= 1 && i <= 4;
    const QUndoStack* stack = FHistory->Stack();
    auto update = [&](QAction* a, bool can, const QString& text, StrId hint, StrId nothing) {
        a->setEnabled(faceStep && can);
        const QString tip = can ? LoadStr(hint).arg(text) : LoadStr(nothing);
        a->setToolTip(LoadStr(StrId::KeyHint).arg(tip, a->shortcut().toString(QKeySequence::NativeText)));
        a->setStatusTip(tip);
    };
    update(actLayerUndo, stack->canUndo(), stack->undoText(), StrId::LayerUndoHint, StrId::LayerNothingToUndo);
    update(actLayerRedo, stack->canRedo(), stack->redoText(), StrId::LayerRedoHint, StrId::LayerNothingToRedo);
}

// ---------------------------------------------------------------------------
// A blank face.

bool TLayerCommands::EnsureFaceImage(TImgView32* view)
{
    if (!view) return false;
    if (!view->Bitmap().IsEmpty()) return true;
    const int step = Step();
    TBusyCursor busy; // declared first: it outlives the dialog's teardown
    TNewImageFrm dialog(FHost.Parent, DialogKey(QStringLiteral("New Image")));
    dialog.setWindowTitle(LoadStr(StrId::LayerFaceProperties).arg(BoxFaceName(step)));
    TLayerSelection* sel = FHost.Selection;
    auto faceBitmap = [sel](int i) -> const TBitmap32* {
        TImgView32* v = sel ? sel->View(i) : nullptr;
        return v ? &v->Bitmap() : nullptr;
    };
    const TBitmap32* front = faceBitmap(1);
    const TBitmap32* side = faceBitmap(2);
    if (step == 2 && front) {
        dialog.udHeight->SetPosition(front->Height());
        dialog.udWidth->SetPosition(dialog.udHeight->Position() / 4);
    } else if (step == 3 && front && side) {
        dialog.udHeight->SetPosition(side->Height());
        dialog.udWidth->SetPosition(front->Width() + side->Width());
    }
    busy.Lift();
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    busy.Set();
    if (!confirmed) return false;

    TBitmap32 blank;
    blank.SetSize(dialog.udWidth->Position(), dialog.udHeight->Position());
    blank.Clear(OpaqueColor32(dialog.BackgroundColor()));
    view->SetScale(1.0f);
    if (FHost.ScaleReset) FHost.ScaleReset();
    // Layers left on a face without a picture go with the old picture.
    Record(FacePictureStep(sel, step, blank, true, LoadStr(StrId::StepNewImage)));
    return true;
}

// ---------------------------------------------------------------------------
// Adding layers.

void TLayerCommands::actLayerImageExecute()
{
    TImgView32* view = CurrentView();
    if (!EnsureFaceImage(view)) return;
    QString folder;
    const QString fileName = ExecuteOpenPicture(FHost.Parent, FHost.OpenInitialFolder ? FHost.OpenInitialFolder()
                                                                                       : QString(), &folder);
    if (fileName.isEmpty()) return;
    if (FHost.OpenFolderChosen) FHost.OpenFolderChosen(folder);
    TViewUpdateHold update(view);
    TBitmap32 picture;
    picture.StretchFilter = sfLinear;
    // A file that does not load adds nothing, silently. See-through parts
    // stay see-through on the face, as with Paste.
    if (LoadImageFile(fileName, picture, TTransparency::Blended)) AddLayerStep(view, picture, StrId::StepAddImageLayer);
}

void TLayerCommands::AddLayerStep(TImgView32* view, const TBitmap32& picture, StrId text)
{
    if (TBitmapLayer* layer = FHost.Selection->AddImageLayer(view, picture))
        Record(LayersAddedStep(FHost.Selection, Step(), {layer}, LoadStr(text)));
}

void TLayerCommands::actLayerPasteExecute()
{
    TImgView32* view = CurrentView();
    if (!EnsureFaceImage(view)) return;
    // The picture with alpha when the clipboard has one, else the plain image.
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    QImage image;
    if (clip && clip->hasFormat(kPngMime)) image = QImage::fromData(clip->data(kPngMime), "PNG");
    const bool withAlpha = !image.isNull() && image.hasAlphaChannel();
    if (!withAlpha) image = QGuiApplication::clipboard()->image();
    TBitmap32 picture;
    picture.CopyFrom(image);
    picture.StretchFilter = sfLinear;
    // See-through parts stay see-through on the face.
    if (withAlpha) picture.DrawMode = dmBlend;
    if (picture.IsEmpty()) {
        QMessageBox::warning(FHost.Parent, LoadStr(StrId::WizAppTitle), LoadStr(StrId::LayerPasteFailed));
        return;
    }
    AddLayerStep(view, picture, StrId::StepPasteLayer);
}

void TLayerCommands::actLayerTextExecute()
{
    TImgView32* view = CurrentView();
    if (!EnsureFaceImage(view)) return;
    const TRect vp = view->GetViewportRect();
    const TViewPoint centre = view->ViewToBitmap((vp.Left + vp.Right) / 2, (vp.Top + vp.Bottom) / 2);
    TTextLayerChoice choice;
    if (!ExecuteTextLayerDialog(choice, FHost.Parent, FaceColorAt(view, float(centre.X), float(centre.Y)))) return;
    TBusyCursor busy;
    const int i = Step();
    // Side text reads along the side: a quarter turn clockwise.
    if (i == kSideStep) choice.Turn = 3;
    TViewUpdateHold update(view);
    FHost.Selection->SetSelection(nullptr, i);
    if (TBitmapTextLayer* layer = AddTextLayerFrom(view, choice)) {
        FHost.Selection->AttachLayer(layer);
        FHost.Selection->SetSelection(layer, i);
        Record(LayersAddedStep(FHost.Selection, i, {layer}, LoadStr(StrId::StepAddTextLayer)));
    }
}

QColor TLayerCommands::FaceColorAt(TImgView32* view, float x, float y) const
{
    const TBitmap32& face = view->Bitmap();
    const int px = int(std::floor(x)), py = int(std::floor(y));
    if (px < 0 || py < 0 || px >= face.Width() || py >= face.Height()) return QColor();
    return QColor::fromRgb(face.PixelAt(px, py) | 0xFF000000u);
}

void TLayerCommands::actLayerEditTextExecute()
{
    TLayerSelection* sel = FHost.Selection;
    TBitmapTextLayer* layer = AsTextLayer(sel ? sel->SelectedImageLayer() : nullptr);
    TImgView32* view = CurrentView();
    if (!layer || !view) return;
    const TRealRect old = layer->Bounds();
    TTextLayerParams params = layer->Params;
    const QColor ground = FaceColorAt(view, (old.Left + old.Right) / 2, (old.Top + old.Bottom) / 2);
    if (!ExecuteTextLayerDialog(params, FHost.Parent, ground, true)) return;
    TBusyCursor busy;
    TBitmap32 picture;
    if (!DrawTextLayerPicture(params, picture)) return;
    const TRealRect bounds = BoundsAtScale(old, layer->Bitmap(), picture);
    Record(LayerPictureStep(sel, Step(), layer, picture, bounds, &params, LoadStr(StrId::StepEditText)));
}

void TLayerCommands::actLayerUndoExecute()
{
    if (FHistory->Stack()->canUndo()) FHistory->Stack()->undo();
}

void TLayerCommands::actLayerRedoExecute()
{
    if (FHistory->Stack()->canRedo()) FHistory->Stack()->redo();
}

void TLayerCommands::LayerDragged(int face, TPositionedLayer* layer, const TRealRect& before, const TRealRect& after,
                                  bool moved)
{
    if (!layer || SameBounds(before, after)) return;
    // Already where the drag left it: the step puts it there again.
    Record(LayerBoundsStep(FHost.Selection, face, layer, before, after,
                           LoadStr(moved ? StrId::StepMoveLayer : StrId::StepResizeLayer), false));
}

// ---------------------------------------------------------------------------
// Clipboard and delete.

void TLayerCommands::actLayerCopyExecute()
{
    TBitmapLayer* layer = FHost.Selection ? FHost.Selection->SelectedImageLayer() : nullptr;
    if (!layer || layer->Bitmap().IsEmpty()) return;
    auto data = std::make_unique<QMimeData>();
    // For other programs the picture as it is seen, opaque: they take a pasted
    // bitmap's alpha as transparency, and a turned layer's outer ring or a
    // text layer's anti-aliased edges must not turn see-through there.
    // A text layer is shown on the ground its colour stands out on.
    if (TBitmapTextLayer* text = AsTextLayer(layer)) {
        TBitmap32 seen;
        seen.SetSize(layer->Bitmap().Width(), layer->Bitmap().Height());
        seen.Clear(TextLayerBackground(text->Params.TextColor | 0xFF000000u));
        seen.DrawAt(0, 0, layer->Bitmap());
        data->setImageData(seen.ToImage().convertToFormat(QImage::Format_RGB32));
    } else {
        data->setImageData(layer->Bitmap().ToImage().convertToFormat(QImage::Format_RGB32));
    }
    // For Paste (and programs that read PNG) the picture with its alpha.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (LayerPictureWithAlpha(*layer).save(&buffer, "PNG")) data->setData(kPngMime, png);
    QGuiApplication::clipboard()->setMimeData(data.release());
}

void TLayerCommands::actLayerCutExecute()
{
    actLayerCopyExecute();
    DeleteSelectedLayer(StrId::StepCutLayer);
}

void TLayerCommands::actLayerDeleteExecute()
{
    DeleteSelectedLayer(StrId::StepDeleteLayer);
}

void TLayerCommands::DeleteSelectedLayer(StrId text)
{
    TLayerSelection* sel = FHost.Selection;
    TBitmapLayer* layer = sel ? sel->SelectedImageLayer() : nullptr;
    if (!layer) return;
    // The step drops the selection; the hidden frame stays in the view and
    // is shown again by the next selection. The layer is kept by the step.
    Record(LayerRemovedStep(sel, Step(), layer, LoadStr(text)));
}

// ---------------------------------------------------------------------------
// Stack order and quarter turns.

void TLayerCommands::actLayerBringToFrontExecute(const QAction* sender)
{
    TLayerSelection* sel = FHost.Selection;
    const int i = Step();
    TCustomLayer* layer = sel ? sel->SelectedLayer(i) : nullptr;
    if (!layer || !sender) return;
    // Places among the face's layers (the frame is above them all).
    const int place = LayerPlace(layer);
    const int top = sel->View(i)->Layers().Count() - 2;
    int to = place;
    StrId text = StrId::StepBringToFront;
    switch (sender->data().toInt()) {
    case zoBringToFront: to = top; break;
    case zoBringForward: to = std::min(place + 1, top), text = StrId::StepBringForward; break;
    case zoSendBack: to = std::max(place - 1, 0), text = StrId::StepSendBack; break;
    case zoSendToBack: to = 0, text = StrId::StepSendToBack; break;
    default: return;
    }
    if (to != place)
        Record(LayerPlaceStep(sel, i, layer, to, LoadStr(text)));
    else
        SetModified(); // counts as a change all the same
}

void TLayerCommands::NudgeSelectedLayer(int dx, int dy)
{
    TLayerSelection* sel = FHost.Selection;
    TBitmapLayer* layer = sel ? sel->SelectedImageLayer() : nullptr;
    if (!layer) return;
    const TRealRect b = layer->Bounds();
    const TRealRect moved{b.Left + float(dx), b.Top + float(dy), b.Right + float(dx), b.Bottom + float(dy)};
    // A burst of nudges is one step.
    Record(LayerBoundsStep(sel, Step(), layer, b, moved, LoadStr(StrId::StepMoveLayer), true));
}

void TLayerCommands::actLayerRotate90ccwExecute(const QAction* sender)
{
    if (!sender) return;
    TurnSelectedLayer(sender->data().toInt() == kTagRotateCcw ? 90.0f : -90.0f);
}

void TLayerCommands::TurnSelectedLayer(float angle)
{
    TLayerSelection* sel = FHost.Selection;
    TBitmapLayer* layer = sel ? sel->SelectedImageLayer() : nullptr;
    if (!layer || layer->Bitmap().IsEmpty()) return;
    TBitmap32 turned;
    TurnLayerPicture(layer->Bitmap(), angle, turned);
    TBitmapTextLayer* text = AsTextLayer(layer);
    TTextLayerParams params;
    if (text) {
        // A text layer stays its text's colour throughout, also where the turn cleared it.
        params = text->Params;
        params.Turn = (params.Turn + (angle > 0 ? 1 : 3)) % 4;
        const TColor32 rgb = params.TextColor & 0x00FFFFFFu;
        TColor32* p = turned.Bits();
        const std::size_t count = std::size_t(turned.Width()) * std::size_t(turned.Height());
        for (std::size_t k = 0; k < count; ++k) p[k] = (p[k] & 0xFF000000u) | rgb;
        turned.StretchFilter = layer->Bitmap().StretchFilter;
        turned.OuterColor = rgb;
    }
    // Width and height exchanged about the same centre, so the layer stays
    // where it was on the face.
    const TRealRect old = layer->Bounds();
    const float cx = (old.Left + old.Right) / 2, cy = (old.Top + old.Bottom) / 2;
    const float hw = (old.Right - old.Left) / 2, hh = (old.Bottom - old.Top) / 2;
    const TRealRect bounds{cx - hh, cy - hw, cx + hh, cy + hw};
    Record(LayerPictureStep(sel, Step(), layer, turned, bounds, text ? &params : nullptr,
                            LoadStr(StrId::StepRotateLayer)));
}
