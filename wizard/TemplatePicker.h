// The template picker's rows: "None Selected", a separator, the bold
// "Edit Templates..." command row, a separator, then the stored templates
// sorted by name. Separator rows can be chosen (the page moves on to the
// next row), so they are ordinary empty rows drawn as lines.
#pragma once

#include <QStyledItemDelegate>

class QComboBox;
class TImageList;
class TTemplateItem;

namespace picker {
constexpr int rowNone = 0;
constexpr int rowSeparator1 = 1;
constexpr int rowEdit = 2;
constexpr int rowSeparator2 = 3;
constexpr int rowFirstTemplate = 4;
constexpr int editPicture = 19; // picture of the command row in the page's image list
inline bool IsSeparator(int row) { return row == rowSeparator1 || row == rowSeparator2; }
} // namespace picker

// Clears the rows and fills them from the template store (creating the
// sample template when the store is empty), then selects index (-1: none).
// A store error is raised after the rows are filled with what could be loaded.
void FillTemplateRows(QComboBox* combo, int index);
// The template a row carries, or null (rows 0..3, out of range).
TTemplateItem* TemplateOfRow(const QComboBox* combo, int row);
// The row whose text equals name ignoring case, or -1.
int FindTemplateRow(const QComboBox* combo, const QString& name);

// Draws the rows: the command row bold after its picture, separator rows as a
// horizontal line; every row has the fixed height ItemHeight.
class TTemplateRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TTemplateRowDelegate(const TImageList* images, QObject* parent = nullptr);

    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height) { FItemHeight = height; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TImageList* FImages;
    int FItemHeight = 16;
};
