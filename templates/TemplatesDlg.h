// TTemplatesFrm: adds, renames, edits and deletes the templates of the store.
// It works on the live store: changes reach the items at once and Cancel
// undoes nothing; deletions and renames reach the settings file at once, the
// rest when the store is saved.
#pragma once

#include "settings/FormStreamPosition.h"

#include <QPointer>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TDigitEdit;
class TPTGroup;
class TTemplateContainer;
class TTemplateItem;
class TUpDown;

// A name is valid when it is not empty, has none of \ / : * ? " < > | and, as
// it also names a settings subkey, no control characters and no leading or
// trailing blanks (which would make two names look alike), and at most 255
// characters.
bool IsValidTemplateName(const QString& name);

// The template whose name names the same settings subkey as name: equal
// ignoring letter case, accented letters included (the store's own lookup
// folds only A-Z, the settings file folds every letter).
TTemplateItem* FindTemplateKeyName(const TTemplateContainer* store, const QString& name);

class TTemplatesFrm : public TStreamPositionFrm {
    Q_OBJECT
public:
    // Made with the key TemplatesDialogKey(); works on the given store.
    TTemplatesFrm(QWidget* owner, const QString& keyPath, TTemplateContainer* store, const QString& preselectName);

    // The name of the selected entry's template, empty when none is selected.
    QString SelectedName() const;
    TTemplateItem* CurrentItem() const { return FCurrentItem; }
    bool Modified() const { return FModified; }

    // Runs the close query (storing pending edits back) for OK and Cancel alike.
    void done(int result) override;

    QTabWidget* TabControl1;
    QLabel* Label1;
    QComboBox* cbTemplates;
    QToolButton* btnAdd;
    QToolButton* btnDelete;
    TPTGroup* pnlTemplates;
    QLineEdit* txtItemName;
    QLineEdit* txtFrontImage;
    QLineEdit* txtSideImage;
    QLineEdit* txtTopImage;
    QToolButton* btnOpen;
    TDigitEdit* txtDefaultHeight;
    TUpDown* upDefaultHeight;
    TDigitEdit* txtDefaultWidth;
    TUpDown* upDefaultWidth;
    QPushButton* btnOk;
    QPushButton* Button3;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillList();
    int IndexOfItem(const TTemplateItem* item) const;
    TTemplateItem* SelectedItem() const;
    void UpdateEnabled();
    void ShowItem(TTemplateItem* item);
    void StoreBack();
    void cbTemplatesChange();
    void SelectionChanged();
    void btnAddClick();
    void btnDeleteClick();
    void btnOpenClick();
    void ImageFieldEntered(QLineEdit* field);
    // The name field's exit check: refuses invalid and taken names, renames
    // the current item for a new one. False when the name was refused.
    bool txtItemNameExit();
    void ShowInfo(const QString& text);

    TTemplateContainer* FStore;
    QString FPreselectName;
    TTemplateItem* FCurrentItem = nullptr;
    bool FModified = false;
    bool FLoading = false;
    bool FCheckingName = false;
    QLineEdit* FOpenTarget = nullptr;
    QGridLayout* FFields = nullptr;
};

// Runs the Templates dialog on the program's template store with the entry
// preselectName selected (when there is one). Returns the name selected when
// the user pressed OK, or an empty string.
QString EditTemplates(const QString& preselectName, QWidget* owner = nullptr);
