// TCodexaCliFrm: the wizard page. It walks the user through five steps (style
// and template, front face, side face, top face, result), decides when Back,
// Next/Finish and Save are offered and what happens to unsaved work on
// closing, loads face images from files and drops, and asks the render
// drivers for the result and the template preview.
#pragma once

#include "editing/ProjectFile.h"
#include "imaging/Bitmap32.h"
#include "render/Bitmap32Utils.h"
#include "render/BoxMatte.h"
#include "render/FreeView.h"
#include "widgets/ImageList.h"
#include "wizard/Win2kWizIntf.h"
#include "wizard/WizClientExIntf.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMimeData;
class QMenu;
class QPushButton;
class QSlider;
class QToolBar;
class QToolButton;
class TCustomImage32;
class TCustomLayer;
class TEnhCombo;
class TFaceCache;
class TFreeViewFaces;
class TLiveBox;
class THTMLabel;
class TImgView32;
class TLayerCommands;
class TLayerSelection;
class TResultSaver;
struct TBoxRenderInput;
struct TResultDrawings;
class TTemplateItem;
class TTemplateRowDelegate;

class TCodexaCliFrm : public QWidget, public IWizClientEx {
    Q_OBJECT

public:
    // Attaches itself to owner when the owner offers IWizHost2; otherwise the
    // page stays inert.
    explicit TCodexaCliFrm(QWidget* owner);
    ~TCodexaCliFrm() override;

    // IInterface: the page answers to IWizClientEx.
    bool QueryInterface(const QUuid& iid, void** obj) override;
    int AddRef() override { return -1; }
    int Release() override { return -1; }

    // IWizClientEx
    bool CanGoBack() override;
    bool CanGoNext() override;
    bool IsLastStep() override;
    void CloseQuery(bool& mayClose, int closeResult) override;
    void Next() override;
    void Back() override;
    void ReleasePage() override;
    void ShowPage() override;
    void Save() override;

    // Page state.
    int Step() const { return FStep; }
    bool Modified() const { return FModified; }
    void SetModified(bool modified) { FModified = modified; }
    bool HasHost() const { return FHost != nullptr; }
    // 0..4 give ImgView0 .. ImgView4, anything else null.
    TImgView32* FaceView(int index) const;
    TBitmap32& ResultImage() { return FResultImage; }
    // What the result lies on when saved or copied (the background list on the result step).
    TBoxBackground Background() const { return FBackground; }
    void SetBackground(const TBoxBackground& background);
    TLayerSelection* Selection() const { return FSelection; }
    // Whether the result is drawn in the free view ("Free Angle" in cbView).
    bool FreeView() const;
    // The size the free result is drawn at: its selection frame's, in pixels
    // (the picture's own while there is no frame).
    QSize FreeFrameSize();
    // The faces' flattened pictures the result step keeps between renders.
    const TFaceCache& FaceCache() const { return *FFaceCache; }
    // The style that counts everywhere: cbBookType's index.
    TBoxStyle Style() const;
    // The template of the selected picker row, or null.
    TTemplateItem* SelectedTemplate() const;
    // The face name of a step ("Front", "Side", "Top"), empty for 0 and 4.
    static QString FaceName(int step);

    void ClearFace(int index);
    void ShowStep(int n);
    void UpdateCaptions();
    void UpdateStepControls();
    void SaveZoom();
    void Restart();
    // index -1: the current step's face. Returns whether the file loaded.
    // A face is opaque: the picture's see-through pixels are laid on white.
    bool LoadFaceImage(const QString& fileName, int index, bool quiet);
    // The files of a drop on the current face view, in the order given.
    void DropFileTargetDrop(const QStringList& files);
    // (Re)builds the template list and selects index (-1: none).
    void FillTemplates(int index);

    // Projects: the faces with their layers and the box's settings in one file.
    // Opening is all or nothing: a file that does not open is reported and
    // the page stays as it was. Returns whether the project opened.
    bool OpenProjectFile(const QString& fileName);
    // Saves the page as a project (the file is complete or left as it was);
    // a failure is reported. Returns whether it was saved.
    bool SaveProjectFile(const QString& fileName);
    // The project last opened or saved, empty when none.
    QString ProjectFile() const { return FProjectPath; }
    // Whether the page differs from its project as last opened or saved
    // (false without one).
    bool ProjectChanged();
    // The page as a project keeps it.
    TProjectDocument PageDocument();

    // Components (object names as the member names).
    QWidget* pnlTools;
    THTMLabel* lblImage;
    QPushButton* btnDialogs;
    QPushButton* BitBtn1;
    QFrame* bevZero;
    QWidget* pnlZoomCubiform;
    QCheckBox* chkDefaultSize;
    QCheckBox* chkShadow;
    QLabel* Label1;
    TEnhCombo* cbeBookType;
    QLabel* lblOrient;
    QToolButton* btnOrientLeft;
    QToolButton* btnOrientRight;
    QWidget* pnlResultBar;
    QLabel* lblBackground;
    QComboBox* cbBackground;
    QLabel* lblView;
    QComboBox* cbView;
    // The free view's camera and reflection, under the result bar in that view.
    QWidget* pnlFreeBar;
    QLabel* lblYaw;
    QSlider* sldYaw;
    QLabel* lblPitch;
    QSlider* sldPitch;
    QLabel* lblFov;
    QSlider* sldFov;
    QCheckBox* chkReflection;
    // The face steps' live box, and the button that shows it again once hidden.
    TLiveBox* LiveBox;
    QToolButton* btnLiveBoxShow;
    QToolBar* tbLayers;
    QSlider* ScaleBar;
    QLabel* lblZoom;
    std::array<QWidget*, 5> pnlStep{};
    TImgView32* ImgView0;
    TImgView32* ImgView1;
    TImgView32* ImgView2;
    TImgView32* ImgView3;
    TImgView32* ImgView4;
    QLabel* lblTemplates;
    TEnhCombo* cbTemplates;
    QLabel* Label3;
    TEnhCombo* cbBookType;
    QLabel* Label2;
    QLabel* Image2;
    QAction* actOpen;
    QAction* actReset;
    QAction* actSave;
    QAction* actCopy;
    QAction* actSaveProject;
    QAction* actOpenProject;
    QPushButton* btnOpenProject;
    // Save Project on the face steps (beside Reset) and on the result step (in its bar).
    QPushButton* btnSaveProject;
    QPushButton* btnResultSaveProject;
    QMenu* popCodexa;
    // The layer menu; the layer commands set it up.
    QMenu* popLayer = nullptr;
    TImageList ImageList;

public slots:
    // The page's idle-time update handlers, as the host's idle update runs them.
    void IdleUpdate();

signals:
    // After the idle-time update handlers ran (the layer commands hook in here).
    void IdleUpdated();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A project file dropped anywhere on the page opens.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateComponents();
    void ArrangeComponents();
    void PrepareToolButtons();
    // The zoom gauge as wide as the layer toolbar of that width leaves it, within limits.
    void FitZoomGauge(int barWidth);
    void ArrangeTabOrder();
    void FormCreate(QWidget* owner);
    void LoadSettings();
    void FormDestroy() noexcept;
    void EnterStep();
    // Forgets the undo history (the faces are replaced as a whole).
    void ForgetHistory();
    // Shows the step of a face whose change is undone or redone.
    void GoToFace(int face);
    // Whether a press on hit is a press on the current face's selected text
    // layer (or its frame).
    bool IsSelectedTextLayer(TCustomLayer* hit) const;
    // Registers the drop target on one view (null: none).
    void RegisterDropTarget(TImgView32* view);

    void lblImageAnchorClick(const QString& anchor);
    void actOpenExecute();
    void actResetExecute();
    void actResetUpdate();
    void actSaveExecute();
    void actCopyExecute();
    void actSaveProjectExecute();
    void actOpenProjectExecute();
    // Asks whether the project's changes are saved first: false when the
    // user cancels or the save fails.
    bool ProjectChangesSettled();
    // Whether the work may give way to other faces (a project or a template):
    // an open project's changes are asked about (saved, dropped or kept by
    // Cancel), other unsaved work is asked whether to be discarded.
    bool WorkMayBeReplaced();
    // The window's title names the project, while there is one.
    void ShowProjectName();
    // Whether a drop carries a project file (which opens, wherever it is dropped).
    static QString DroppedProject(const QMimeData* data);
    void popCodexaPopup();
    void ScaleBarChange(int position);
    void btnOrientLeftClick();
    void cbeBookTypeChange();
    void cbBackgroundChange(int index);
    void cbViewChange();
    // A camera slider or the reflection changed: drawn again at the frame's
    // size, or at the view's while a slider is being dragged.
    void FreeCameraChange();
    void LiveBoxVisibilityChange(bool hidden);
    // Draws the face steps' live box when a face or the camera changed since (at idle).
    void LiveBoxUpdate();
    void ImgView4MouseDown(int button, int x, int y, TCustomLayer* layer);
    void ImgView4MouseMove(int x, int y);
    void ImgView4MouseUp();
    void cbBookTypeChange();
    void ImgView4Resize();
    void ImgView3PaintStage(TCustomImage32* sender, TBitmap32* buffer, unsigned stageNum);
    void ImgView3MouseDown(TCustomImage32* sender, int button, int x, int y, TCustomLayer* layer);
    void cbTemplatesChange();
    // After the Templates dialog: the row of the template whose faces are
    // loaded (its rows moved with deletes and renames), "None Selected"
    // when it is gone.
    void SelectLoadedTemplate();
    // The folder the open dialogs start in.
    QString OpenFolder() const;

    void RenderBox(TBoxOrientation orientation);
    // The free view of the box at size (empty: following the faces) into the
    // result; keepFrame keeps the selection frame where it is and shows the
    // picture stretched to it, else the picture gets a new frame of its size.
    void RenderFreeBox(QSize size, bool keepFrame);
    // The free view's camera as the sliders set it, with Shadow and Reflection.
    freeview::TFreeViewSettings FreeSettings() const;
    // The free result's frame on whole pixels, so that its size is the one
    // the picture was drawn at (centring leaves it on halves).
    void SnapFreeFrame();
    // The frame size brought within the result view (for the quick frames of a drag).
    QSize FreePreviewSize();
    TBoxRenderInput RenderInput(TBoxOrientation orientation) const;
    // The result view shows the background chosen (after a render or a change of background).
    void ShowBackground();
    // The render on black, made when first needed after each render.
    const TBitmap32* ResultOnBlack();
    TResultDrawings ResultDrawings();
    TBoxOrientation CurrentOrientation() const;
    void RenderTemplatePreview();
    // Sets the gauge without running its change handler.
    void SetGaugeQuietly(int position);
    void SetZoomLabel();
    bool AskYesNo(const QString& question);

    IWizHost2* FHost = nullptr;
    int FStep = 0;
    QWidget* FCurrentPanel = nullptr;
    bool FModified = false;
    std::array<int, 4> FZoomPositions{}; // faces 1..3
    TBitmap32 FResultImage;
    TBitmap32 FResultOnBlack;
    bool FResultOnBlackMade = false;
    TBitmap32 FOutputImage; // the picture last saved or copied, at its written size
    TBoxBackground FBackground;
    TLayerSelection* FSelection = nullptr;
    TLayerCommands* FLayerCommands = nullptr;
    std::unique_ptr<TResultSaver> FSaver;
    std::unique_ptr<TFaceCache> FFaceCache;
    // The folder of the last file opened (kept across runs).
    QString FOpenInitDir;
    // The template whose faces were loaded last (null when none, or deleted since).
    QPointer<TTemplateItem> FLoadedTemplate;
    TImgView32* FDropTarget = nullptr;
    // A double click on the selected text layer: its text is edited when the button is released.
    bool FEditTextOnRelease = false;
    TTemplateRowDelegate* FTemplateRows = nullptr;
    std::unique_ptr<TFreeViewFaces> FFreeFaces;
    TBitmap32 FFreeFrame;     // the last free frame of the result, on a transparent ground
    TBitmap32 FLiveBoxFrame;  // the live box's last frame
    // What the live box was last drawn with (camera and options, then its size).
    std::array<double, 7> FLiveBoxDrawn{};
    bool FLiveBoxValid = false;
    bool FLiveBoxHidden = false;
    bool FLiveBoxFailed = false;
    std::array<std::uint64_t, 3> FLiveBoxFailedAt{}; // the faces' content generations at the failure
    // A drag on the result that turns the box: where it started, and the angles then.
    bool FTurning = false;
    int FTurnX = 0, FTurnY = 0, FTurnYaw = 0, FTurnPitch = 0;
    // Whether the application settings were read; only then are they written back.
    bool FSettingsLoaded = false;
    // The project last opened or saved, and the digest of the page as it was then.
    QString FProjectPath;
    std::uint64_t FProjectDigest = 0;
    // The folder of the project dialogs (for the run).
    QString FProjectFolder;
    // The default size a project gave, used while no template is selected (empty: 250 x 300).
    QSize FProjectDefaultSize;
};
