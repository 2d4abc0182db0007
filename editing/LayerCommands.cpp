#include "editing/LayerCommands.h"

#include "codecs/ImageFiles.h"
#include "editing/DialogLook.h"
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
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QToolBar>

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

// The coverage a text pixel was drawn with, read back from the channel in
// which text and background differ most.
TColor32 TextCoverageColor(TColor32 pixel, TColor32 text, TColor32 background)
{
    int best = 0, shift = 0;
    for (int s : {0, 8, 16}) {
        const int d = int((text >> s) & 0xFF) - int((background >> s) & 0xFF);
        if (std::abs(d) > std::abs(best)) best = d, shift = s;
    }
    if (best == 0) return pixel | 0xFF000000u;
    const int p = int((pixel >> shift) & 0xFF) - int((background >> shift) & 0xFF);
    const int a = std::clamp((p * 255 + best / 2) / best, 0, 255);
    return TColor32(a) << 24 | (text & 0x00FFFFFFu);
}

// Nudges: dx, dy of Left, Right, Up, Down.
constexpr int kNudges[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
constexpr int kShiftNudge = 10;

} // namespace

void TurnLayerBitmap(TBitmap32& bitmap, float angle)
{
    if (bitmap.IsEmpty()) return;
    const int w = bitmap.Width(), h = bitmap.Height();
    ClearBorderAlpha(bitmap, bitmap.BoundsRect());
    TBitmap32 turned;
    turned.SetSize(h, w);
    TAffineTransformation t;
    t.SetSourceRect(TRealRect{0, 0, float(w - 1), float(h - 1)});
    t.Clear();
    t.Translate(float(-(w - 1) / 2.0), float(-(h - 1) / 2.0));
    t.Rotate(0, 0, angle);
    t.Translate(float(turned.Width() / 2.0 - 0.7), float(turned.Height() / 2.0 - 0.7));
    // A see-through layer (a picture with alpha) stays see-through: its pixels
    // are copied, alpha and all, and what the mapping leaves uncovered is clear.
    const bool seeThrough = bitmap.DrawMode == dmBlend;
    // What the mapping leaves uncovered takes the colour of the bottom row's
    // second pixel (a one pixel wide picture has none: the outer colour).
    turned.Clear(seeThrough ? clTransparent32 : bitmap.PixelAtSafe(1, h - 1));
    if (seeThrough) bitmap.DrawMode = dmOpaque;
    TransformBitmap(turned, bitmap, t);
    // The turned picture with its default draw settings; the combine handler stays.
    bitmap.SwapPixels(turned);
    bitmap.DrawMode = seeThrough ? dmBlend : turned.DrawMode;
    bitmap.MasterAlpha = turned.MasterAlpha;
    bitmap.OuterColor = turned.OuterColor;
    bitmap.StretchFilter = turned.StretchFilter;
    bitmap.NotifyChanged();
}

QImage LayerPictureWithAlpha(const TBitmapLayer& layer)
{
    const TBitmap32& bitmap = layer.Bitmap();
    QImage image = bitmap.ToImage();
    if (image.isNull()) return image;
    auto* text = layer.Tag == kTextLayerTag ? dynamic_cast<const TBitmapTextLayer*>(&layer) : nullptr;
    if (text && bitmap.DrawMode == dmCustom) {
        const TColor32 color = text->TextColor | 0xFF000000u;
        const TColor32 background = TextLayerBackground(color);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<TColor32*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) row[x] = TextCoverageColor(row[x], color, background);
        }
    } else if (bitmap.DrawMode != dmBlend) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    return image;
}

TLayerCommands::TLayerCommands(TLayerCommandHost host, QObject* parent)
    : QObject(parent), FHost(std::move(host))
{
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
    popLayer->addActions({actLayerCut, actLayerCopy, actLayerPaste, actLayerDelete});
    popLayer->addSeparator();
    popLayer->addActions({actLayerBringToFront, actLayerBringFoward, actLayerSendBack, actLayerSendToBack});
    // The menu shows the states of the moment (a right-click may just have selected a layer).
    connect(popLayer, &QMenu::aboutToShow, this, &TLayerCommands::UpdateActions);
    UpdateActions();
}

TLayerCommands::~TLayerCommands()
{
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
    if (FHost.Glyph) action->setIcon(FHost.Glyph(glyph));
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

    if (sel) sel->ClearFace(step);
    view->SetScale(1.0f);
    if (FHost.ScaleReset) FHost.ScaleReset();
    TBitmap32& face = view->Bitmap();
    face.SetSize(dialog.udWidth->Position(), dialog.udHeight->Position());
    face.Clear(OpaqueColor32(dialog.BackgroundColor()));
    view->Invalidate();
    SetModified();
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
    if (LoadImageFile(fileName, picture, TTransparency::Blended)) {
        FHost.Selection->AddImageLayer(view, picture);
        SetModified();
    }
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
    FHost.Selection->AddImageLayer(view, picture);
    SetModified();
}

void TLayerCommands::actLayerTextExecute()
{
    TImgView32* view = CurrentView();
    if (!EnsureFaceImage(view)) return;
    TTextLayerChoice choice;
    if (!ExecuteTextLayerDialog(choice, FHost.Parent)) return;
    TBusyCursor busy;
    const int i = Step();
    {
        TViewUpdateHold update(view);
        FHost.Selection->SetSelection(nullptr, i);
        if (TBitmapTextLayer* layer = AddTextLayerFrom(view, choice)) {
            FHost.Selection->AttachLayer(layer);
            FHost.Selection->SetSelection(layer, i);
            // Side text reads along the side.
            if (i == kSideStep) TurnSelectedLayer(-90.0f);
        }
    }
    SetModified();
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
    data->setImageData(layer->Bitmap().ToImage().convertToFormat(QImage::Format_RGB32));
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
    actLayerDeleteExecute();
}

void TLayerCommands::actLayerDeleteExecute()
{
    TLayerSelection* sel = FHost.Selection;
    TBitmapLayer* layer = sel ? sel->SelectedImageLayer() : nullptr;
    if (!layer) return;
    const int i = Step();
    // Detach it from the frame first; the hidden frame stays in the view and
    // is found again by the next selection.
    sel->SetSelection(nullptr, i);
    sel->SetHandleLayer(i, nullptr);
    TLayerCollection* layers = layer->LayerCollection();
    layers->Delete(layer->Index());
    if (TImgView32* view = sel->View(i)) view->Invalidate();
    SetModified();
}

// ---------------------------------------------------------------------------
// Stack order and quarter turns.

void TLayerCommands::actLayerBringToFrontExecute(const QAction* sender)
{
    TLayerSelection* sel = FHost.Selection;
    const int i = Step();
    TCustomLayer* layer = sel ? sel->SelectedLayer(i) : nullptr;
    if (!layer || !sender) return;
    const int n = sel->View(i)->Layers().Count();
    switch (sender->data().toInt()) {
    case zoBringToFront: layer->MoveToIndex(n - 2); break; // the top place below the frame
    case zoBringForward: layer->MoveToIndex(layer->Index() + 1); break;
    case zoSendBack: layer->MoveToIndex(layer->Index() - 1); break;
    case zoSendToBack: layer->MoveToIndex(0); break;
    default: return;
    }
    SetModified();
}

void TLayerCommands::NudgeSelectedLayer(int dx, int dy)
{
    TLayerSelection* sel = FHost.Selection;
    TBitmapLayer* layer = sel ? sel->SelectedImageLayer() : nullptr;
    if (!layer) return;
    const TRealRect b = layer->Bounds();
    const TRealRect moved{b.Left + float(dx), b.Top + float(dy), b.Right + float(dx), b.Bottom + float(dy)};
    // Through the frame, which moves its target with it.
    TRubberbandLayer* frame = sel->HandleLayer(Step());
    if (frame && frame->Target() == layer)
        frame->SetBounds(moved);
    else
        layer->SetBounds(moved);
    SetModified();
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
    if (!layer) return;
    const int i = Step();
    const TRealRect old = layer->Bounds();
    sel->SetSelection(nullptr, i);
    sel->SetHandleLayer(i, nullptr);

    TBitmap32& bitmap = layer->Bitmap();
    auto* text = layer->Tag == kTextLayerTag ? dynamic_cast<TBitmapTextLayer*>(layer) : nullptr;
    const TColor32 background = text ? TextLayerBackground(text->TextColor) : clBlack32;
    // The turn blends one edge of the picture with the colour read outside
    // it. For a text layer that colour is its see-through background, so the
    // edge stays background: outside colour black would leave a grey line
    // along white-backed text, which the darkening combine paints on the face.
    if (text) bitmap.OuterColor = background & 0x00FFFFFFu;
    TurnLayerBitmap(bitmap, angle);
    if (text && !bitmap.IsEmpty()) {
        // What the turn left of the background (and the uncovered corners)
        // becomes the background again, which the combine lets through.
        const TColor32 key = bitmap.PixelAtSafe(1, bitmap.Height() - 1);
        TColor32* p = bitmap.Bits();
        const std::size_t count = std::size_t(bitmap.Width()) * std::size_t(bitmap.Height());
        for (std::size_t k = 0; k < count; ++k)
            if (p[k] == key) p[k] = background;
        bitmap.DrawMode = dmCustom;
        bitmap.OnPixelCombine = TextLayerCombine(background);
        bitmap.NotifyChanged();
    }

    // Width and height exchanged about the same centre, so the layer stays
    // where it was on the face.
    const float cx = (old.Left + old.Right) / 2, cy = (old.Top + old.Bottom) / 2;
    const float hw = (old.Right - old.Left) / 2, hh = (old.Bottom - old.Top) / 2;
    layer->SetBounds(TRealRect{cx - hh, cy - hw, cx + hh, cy + hw});
    sel->SetSelection(layer, i);
    SetModified();
}
