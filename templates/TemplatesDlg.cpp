#include "templates/TemplatesDlg.h"

#include "editing/DialogLook.h"
#include "editing/InputDlg.h"
#include "editing/OpenPictureDlg.h"
#include "editing/UpDown.h"
#include "platform/HiveTree.h"
#include "platform/RegistryError.h"
#include "resources/StringTable.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "templates/TemplateList.h"
#include "widgets/UPTFrame.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Rows of the fields grid: each image field sits below its label.
constexpr int kFrontRow = 3, kSideRow = 5, kTopRow = 7;

TTemplateItem* ItemOf(const QVariant& data)
{
    return static_cast<TTemplateItem*>(data.value<void*>());
}

// Where a name goes in the sorted list: letter case matters only between
// names that are otherwise equal.
int SortedPosition(const QComboBox* list, const QString& name)
{
    int i = 0;
    for (; i < list->count(); ++i) {
        const QString other = list->itemText(i);
        const int c = QString::compare(name, other, Qt::CaseInsensitive);
        if (c < 0 || (c == 0 && QString::compare(name, other, Qt::CaseSensitive) < 0)) break;
    }
    return i;
}

QLabel* FieldLabel(StrId text, QLineEdit* buddy, QWidget* parent)
{
    auto* label = new QLabel(LoadStr(text), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TTemplateItem* FindTemplateKeyName(const TTemplateContainer* store, const QString& name)
{
    TTemplateCollection* templates = store->Templates();
    for (int i = 0; i < templates->Count(); ++i)
        if (CompareKeyNames(templates->Items(i)->ItemName(), name) == 0) return templates->Items(i);
    return nullptr;
}

bool IsValidTemplateName(const QString& name)
{
    // A settings key name holds at most 255 characters.
    if (name.isEmpty() || name.size() > 255) return false;
    if (name.front().isSpace() || name.back().isSpace()) return false;
    for (const QChar c : name) {
        if (QStringLiteral("\\/:*?\"<>|").contains(c)) return false;
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
    }
    return true;
}

TTemplatesFrm::TTemplatesFrm(QWidget* owner, const QString& keyPath, TTemplateContainer* store,
                             const QString& preselectName)
    : TStreamPositionFrm(owner, keyPath), FStore(store), FPreselectName(preselectName)
{
    setObjectName(QStringLiteral("TemplatesFrm"));
    setWindowTitle(LoadStr(StrId::TemplatesCaption));
    UseDialogFont(this);

    TabControl1 = new QTabWidget(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    auto* page = new QWidget(TabControl1);
    TabControl1->addTab(page, LoadStr(StrId::TemplatesTab));

    cbTemplates = new QComboBox(page);
    cbTemplates->setObjectName(QStringLiteral("cbTemplates"));
    cbTemplates->setEditable(false);
    Label1 = new QLabel(LoadStr(StrId::TemplatesSelection), page);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(cbTemplates);
    btnAdd = new QToolButton(page);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setIcon(DialogGlyph(QStringLiteral("btnAdd")));
    btnAdd->setToolTip(LoadStr(StrId::TemplatesAddHint));
    btnDelete = new QToolButton(page);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnDelete->setIcon(DialogGlyph(QStringLiteral("btnDelete")));
    btnDelete->setToolTip(LoadStr(StrId::TemplatesDeleteHint));
    btnDelete->setEnabled(false);

    pnlTemplates = new TPTGroup(page);
    pnlTemplates->setObjectName(QStringLiteral("pnlTemplates"));
    txtItemName = new QLineEdit(pnlTemplates);
    txtItemName->setObjectName(QStringLiteral("txtItemName"));
    txtFrontImage = new QLineEdit(pnlTemplates);
    txtFrontImage->setObjectName(QStringLiteral("txtFrontImage"));
    txtSideImage = new QLineEdit(pnlTemplates);
    txtSideImage->setObjectName(QStringLiteral("txtSideImage"));
    txtTopImage = new QLineEdit(pnlTemplates);
    txtTopImage->setObjectName(QStringLiteral("txtTopImage"));
    btnOpen = new QToolButton(pnlTemplates);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnOpen->setIcon(DialogGlyph(QStringLiteral("btnOpen")));
    // The glyph buttons have no text a screen reader could announce.
    btnAdd->setAccessibleName(LoadStr(StrId::TemplatesAddHint));
    btnDelete->setAccessibleName(LoadStr(StrId::TemplatesDeleteHint));
    btnOpen->setAccessibleName(LoadStr(StrId::TemplatesOpenName));
    txtDefaultHeight = new TDigitEdit(pnlTemplates);
    txtDefaultHeight->setObjectName(QStringLiteral("txtDefaultHeight"));
    upDefaultHeight = new TUpDown(pnlTemplates);
    upDefaultHeight->setObjectName(QStringLiteral("upDefaultHeight"));
    txtDefaultWidth = new TDigitEdit(pnlTemplates);
    txtDefaultWidth->setObjectName(QStringLiteral("txtDefaultWidth"));
    upDefaultWidth = new TUpDown(pnlTemplates);
    upDefaultWidth->setObjectName(QStringLiteral("upDefaultWidth"));
    for (TDigitEdit* edit : {txtDefaultHeight, txtDefaultWidth}) {
        edit->setMaxLength(5);
        edit->setFixedWidth(64);
    }
    upDefaultHeight->SetRange(1, 32767);
    upDefaultHeight->SetPosition(200);
    upDefaultHeight->SetAssociate(txtDefaultHeight);
    upDefaultWidth->SetRange(1, 32767);
    upDefaultWidth->SetPosition(170);
    upDefaultWidth->SetAssociate(txtDefaultWidth);

    FFields = new QGridLayout(pnlTemplates);
    FFields->setColumnStretch(0, 1);
    FFields->addWidget(FieldLabel(StrId::TemplatesItemName, txtItemName, pnlTemplates), 0, 0);
    FFields->addWidget(txtItemName, 1, 0);
    FFields->addWidget(FieldLabel(StrId::TemplatesFrontImage, txtFrontImage, pnlTemplates), kFrontRow - 1, 0);
    FFields->addWidget(txtFrontImage, kFrontRow, 0);
    FFields->addWidget(FieldLabel(StrId::TemplatesSideImage, txtSideImage, pnlTemplates), kSideRow - 1, 0);
    FFields->addWidget(txtSideImage, kSideRow, 0);
    FFields->addWidget(FieldLabel(StrId::TemplatesTopImage, txtTopImage, pnlTemplates), kTopRow - 1, 0);
    FFields->addWidget(txtTopImage, kTopRow, 0);
    auto* sizes = new QGridLayout();
    sizes->addWidget(FieldLabel(StrId::TemplatesDefaultHeight, txtDefaultHeight, pnlTemplates), 0, 0, 1, 2);
    sizes->addWidget(txtDefaultHeight, 1, 0);
    sizes->addWidget(upDefaultHeight, 1, 1);
    sizes->addWidget(FieldLabel(StrId::TemplatesDefaultWidth, txtDefaultWidth, pnlTemplates), 0, 3, 1, 2);
    sizes->addWidget(txtDefaultWidth, 1, 3);
    sizes->addWidget(upDefaultWidth, 1, 4);
    sizes->setColumnMinimumWidth(2, 24);
    sizes->setColumnStretch(5, 1);
    sizes->setHorizontalSpacing(0);
    FFields->addLayout(sizes, 8, 0, 1, 2);

    auto* selection = new QHBoxLayout();
    selection->addWidget(cbTemplates, 1);
    selection->addWidget(btnAdd);
    selection->addWidget(btnDelete);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(Label1);
    pageLayout->addLayout(selection);
    pageLayout->addWidget(pnlTemplates);
    pageLayout->addStretch();

    btnOk = MakeOkButton(this, true);
    Button3 = MakeCancelButton(this, "Button3");
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(Button3);
    auto* form = new QVBoxLayout(this);
    form->addWidget(TabControl1, 1);
    form->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbTemplates, &QComboBox::activated, this, &TTemplatesFrm::cbTemplatesChange);
    connect(btnAdd, &QToolButton::clicked, this, &TTemplatesFrm::btnAddClick);
    connect(btnDelete, &QToolButton::clicked, this, &TTemplatesFrm::btnDeleteClick);
    connect(btnOpen, &QToolButton::clicked, this, &TTemplatesFrm::btnOpenClick);
    for (QLineEdit* field : {txtItemName, txtFrontImage, txtSideImage, txtTopImage,
                             static_cast<QLineEdit*>(txtDefaultHeight), static_cast<QLineEdit*>(txtDefaultWidth)})
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (!FLoading) FModified = true;
        });
    txtItemName->installEventFilter(this);
    for (QLineEdit* field : {txtFrontImage, txtSideImage, txtTopImage}) field->installEventFilter(this);

    // Form creation.
    FillList();
    const int preselected = FPreselectName.isEmpty() ? -1 : cbTemplates->findText(FPreselectName, Qt::MatchFixedString);
    cbTemplates->setCurrentIndex(preselected);
    FLoading = true;
    upDefaultHeight->SetPosition(300);
    upDefaultWidth->SetPosition(250);
    FLoading = false;
    FOpenTarget = txtFrontImage;
    FFields->addWidget(btnOpen, kFrontRow, 1);
    FCurrentItem = nullptr;
    UpdateEnabled();
    // A preselected template is shown at once, so that edits made to it
    // have an item to go to.
    if (preselected >= 0) SelectionChanged();

    setFixedSize(sizeHint().expandedTo(QSize(348, 370)));
}

void TTemplatesFrm::FillList()
{
    QStringList names;
    QList<TTemplateItem*> items;
    FStore->GetTemplateNames(names, &items);
    const QSignalBlocker quiet(cbTemplates);
    cbTemplates->clear();
    for (int i = 0; i < names.size(); ++i)
        cbTemplates->insertItem(SortedPosition(cbTemplates, names[i]), names[i],
                                QVariant::fromValue(static_cast<void*>(items[i])));
}

int TTemplatesFrm::IndexOfItem(const TTemplateItem* item) const
{
    for (int i = 0; i < cbTemplates->count(); ++i)
        if (ItemOf(cbTemplates->itemData(i)) == item) return i;
    return -1;
}

TTemplateItem* TTemplatesFrm::SelectedItem() const
{
    const int i = cbTemplates->currentIndex();
    return i < 0 ? nullptr : ItemOf(cbTemplates->itemData(i));
}

QString TTemplatesFrm::SelectedName() const
{
    // The item's own name: a change of letter case stored back at closing
    // is not in the list's text yet.
    const TTemplateItem* item = SelectedItem();
    return item ? item->ItemName() : QString();
}

void TTemplatesFrm::UpdateEnabled()
{
    const bool selected = cbTemplates->currentIndex() >= 0;
    pnlTemplates->setEnabled(selected);
    btnDelete->setEnabled(selected);
}

void TTemplatesFrm::ShowItem(TTemplateItem* item)
{
    FLoading = true;
    txtItemName->setText(item->ItemName());
    ShowFileNameState(txtFrontImage, item->FrontImage());
    ShowFileNameState(txtSideImage, item->SideImage());
    ShowFileNameState(txtTopImage, item->TopImage());
    upDefaultHeight->SetPosition(item->DefaultHeight());
    upDefaultWidth->SetPosition(item->DefaultWidth());
    FLoading = false;
}

void TTemplatesFrm::StoreBack()
{
    if (!FCurrentItem) return;
    FCurrentItem->SetItemName(txtItemName->text());
    FCurrentItem->SetFrontImage(txtFrontImage->text());
    FCurrentItem->SetSideImage(txtSideImage->text());
    FCurrentItem->SetTopImage(txtTopImage->text());
    FCurrentItem->SetDefaultHeight(upDefaultHeight->Position());
    FCurrentItem->SetDefaultWidth(upDefaultWidth->Position());
}

void TTemplatesFrm::cbTemplatesChange()
{
    if (cbTemplates->currentIndex() >= 0) SelectionChanged();
}

void TTemplatesFrm::SelectionChanged()
{
    TTemplateItem* chosen = SelectedItem();
    if (!chosen) return;
    if (FModified && FCurrentItem) {
        // The name is checked before it is stored: a name typed and never
        // left (Enter, a wheel on the list) must not slip past the checks.
        TTemplateItem* before = FCurrentItem;
        txtItemNameExit();
        if (chosen == before) chosen = FCurrentItem;
        StoreBack();
        // Changing the current item's name changes its place in the list.
        FillList();
        cbTemplates->setCurrentIndex(IndexOfItem(chosen));
    }
    ShowItem(chosen);
    FCurrentItem = chosen;
    UpdateEnabled();
    FModified = false;
}

void TTemplatesFrm::ShowInfo(const QString& text)
{
    QMessageBox::information(this, windowTitle(), text, QMessageBox::Ok);
}

bool TTemplatesFrm::txtItemNameExit()
{
    if (FCheckingName) return true;
    FCheckingName = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FCheckingName};

    const QString name = txtItemName->text();
    auto restoreName = [this] {
        if (!FCurrentItem) return;
        const bool loading = FLoading;
        FLoading = true;
        txtItemName->setText(FCurrentItem->ItemName());
        FLoading = loading;
    };
    if (!IsValidTemplateName(name)) {
        ShowInfo(FormatStr(StrId::TemplateNameInvalid, name));
        restoreName();
        return false;
    }
    if (!FCurrentItem || CompareKeyNames(FCurrentItem->ItemName(), name) == 0) return true;
    TTemplateItem* other = FindTemplateKeyName(FStore, name);
    if (other && other != FCurrentItem) {
        ShowInfo(FormatStr(StrId::TemplateNameExists, name));
        restoreName();
        return false;
    }

    // Rename: a copy under the new name replaces the old item. The store is
    // written with both before the old subkey goes, so a stop at any moment
    // leaves the template in the settings file under one name or the other.
    TTemplateItem* renamed = FStore->AddTemplate();
    renamed->Assign(FCurrentItem);
    renamed->SetItemName(name);
    try {
        FStore->Save();
    } catch (const ERegistryException& e) {
        try {
            FStore->Templates()->Delete(renamed->Index());
        } catch (const ERegistryException&) {
            // The store already failed; the first error is the one to report.
        }
        QMessageBox::warning(this, windowTitle(), e.Message(), QMessageBox::Ok);
        restoreName();
        return false;
    }
    TTemplateItem* old = FCurrentItem;
    FCurrentItem = nullptr;
    {
        const QSignalBlocker quiet(cbTemplates);
        cbTemplates->clear();
        try {
            FStore->RemoveTemplate(old);
        } catch (const ERegistryException& e) {
            QMessageBox::warning(this, windowTitle(), e.Message(), QMessageBox::Ok);
        }
        FillList();
        cbTemplates->setCurrentIndex(IndexOfItem(renamed));
    }
    FCurrentItem = renamed;
    FModified = true;
    return true;
}

void TTemplatesFrm::btnAddClick()
{
    QString name;
    while (name.isEmpty()) {
        if (!InputValue(LoadStr(StrId::TemplatesAddCaption), LoadStr(StrId::TemplatesAddPrompt),
                        DialogKey(QStringLiteral("Input")), iiInfo, name))
            return;
        if (FindTemplateKeyName(FStore, name)) {
            ShowInfo(FormatStr(StrId::TemplateNameExists, name));
            name.clear();
        }
    }
    if (!IsValidTemplateName(name)) {
        ShowInfo(FormatStr(StrId::TemplateNameInvalid, name));
        return;
    }
    TTemplateItem* item = FStore->AddTemplate();
    item->SetItemName(name);
    item->SetDefaultHeight(TTemplateItem::kFallbackHeight);
    item->SetDefaultWidth(TTemplateItem::kFallbackWidth);
    const int at = SortedPosition(cbTemplates, name);
    cbTemplates->insertItem(at, name, QVariant::fromValue(static_cast<void*>(item)));
    cbTemplates->setCurrentIndex(at);
    SelectionChanged();
    FCurrentItem = item;
    FModified = true;
}

void TTemplatesFrm::btnDeleteClick()
{
    TTemplateItem* item = SelectedItem();
    if (!item) return;
    if (QMessageBox::question(this, windowTitle(), LoadStr(StrId::TemplateDeleteQuestion),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const int index = cbTemplates->currentIndex();
    FCurrentItem = nullptr;
    {
        const QSignalBlocker quiet(cbTemplates);
        try {
            FStore->RemoveTemplate(item);
            cbTemplates->removeItem(index);
        } catch (const ERegistryException& e) {
            // The list shows what the store holds, whatever the failure left.
            FillList();
            QMessageBox::warning(this, windowTitle(), e.Message(), QMessageBox::Ok);
        }
        cbTemplates->setCurrentIndex(index > 0 ? index - 1 : (cbTemplates->count() > 0 ? 0 : -1));
    }
    if (cbTemplates->currentIndex() >= 0) SelectionChanged();
    UpdateEnabled();
    FModified = true;
}

void TTemplatesFrm::ImageFieldEntered(QLineEdit* field)
{
    const int row = field == txtFrontImage ? kFrontRow : field == txtSideImage ? kSideRow : kTopRow;
    FFields->removeWidget(btnOpen);
    FFields->addWidget(btnOpen, row, 1);
    FFields->activate();
    // Tab reaches the button right after the field it now serves.
    QWidget::setTabOrder(field, btnOpen);
    FOpenTarget = field;
}

void TTemplatesFrm::btnOpenClick()
{
    const QFileInfo current(FOpenTarget->text());
    const QString folder = current.isFile() ? current.absolutePath() : AppSettings(0)->OpenInitDir();
    const QString file = ExecuteOpenPicture(this, folder);
    if (file.isEmpty()) return;
    ShowFileNameState(FOpenTarget, file);
    FModified = true;
}

bool TTemplatesFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        for (QLineEdit* field : {txtFrontImage, txtSideImage, txtTopImage})
            if (watched == field) ImageFieldEntered(field);
    } else if (event->type() == QEvent::FocusOut && watched == txtItemName) {
        // Only a move to another control of this dialog leaves the field;
        // another window taking the focus (a message box) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && FCurrentItem &&
            SelectedItem() == FCurrentItem)
            txtItemNameExit();
    }
    return TStreamPositionFrm::eventFilter(watched, event);
}

void TTemplatesFrm::done(int result)
{
    if (FModified && FCurrentItem) {
        txtItemNameExit();
        StoreBack();
    }
    FModified = false;
    TStreamPositionFrm::done(result);
}

QString EditTemplates(const QString& preselectName, QWidget* owner)
{
    TBusyCursor busy;
    TTemplatesFrm dialog(owner, TemplatesDialogKey(), TemplateContainer(0), preselectName);
    busy.Lift();
    const bool ok = dialog.exec() == QDialog::Accepted;
    busy.Set();
    return ok ? dialog.SelectedName() : QString();
}
