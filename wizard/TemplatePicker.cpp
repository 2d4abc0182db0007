#include "wizard/TemplatePicker.h"

#include "resources/StringTable.h"
#include "templates/TemplateList.h"
#include "widgets/ImageList.h"

#include <QComboBox>
#include <QPainter>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

void FillTemplateRows(QComboBox* combo, int index)
{
    combo->setUpdatesEnabled(false);
    const QSignalBlocker block(combo);
    combo->clear();
    // A template that fails to load is told about after the rows are filled:
    // the fixed rows and the other templates stay, so that it can be repaired.
    std::exception_ptr error;
    TTemplateContainer* container = nullptr;
    for (int attempt = 0; attempt < 2 && !container; ++attempt) {
        try {
            container = TemplateContainer(0);
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    }
    QStringList names;
    QList<TTemplateItem*> items;
    if (container) {
        EnsureSampleTemplate(container);
        container->GetTemplateNames(names, &items);
    }
    std::vector<std::pair<QString, TTemplateItem*>> rows;
    for (int i = 0; i < names.size(); ++i) rows.emplace_back(names[i], items.value(i));
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    combo->addItem(LoadStr(StrId::PickerNoneSelected));
    combo->addItem(QString());
    combo->addItem(LoadStr(StrId::PickerEditTemplates));
    combo->addItem(QString());
    for (const auto& [name, item] : rows) combo->addItem(name, QVariant::fromValue<QObject*>(item));
    combo->setUpdatesEnabled(true);
    combo->setCurrentIndex(index);
    if (error) std::rethrow_exception(error);
}

TTemplateItem* TemplateOfRow(const QComboBox* combo, int row)
{
    if (row < picker::rowSeparator2 || row >= combo->count()) return nullptr;
    return qobject_cast<TTemplateItem*>(combo->itemData(row).value<QObject*>());
}

int FindTemplateRow(const QComboBox* combo, const QString& name)
{
    for (int i = 0; i < combo->count(); ++i)
        if (QString::compare(combo->itemText(i), name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

TTemplateRowDelegate::TTemplateRowDelegate(const TImageList* images, QObject* parent)
    : QStyledItemDelegate(parent), FImages(images)
{
}

void TTemplateRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    const int row = index.row();
    painter->save();
    painter->fillRect(r, selected ? pal.highlight() : pal.base());
    QFont font = option.font;
    font.setBold(row == picker::rowEdit);
    painter->setFont(font);
    int offset = 0;
    if (row == picker::rowEdit && FImages && FImages->Count() > picker::editPicture) {
        const QPixmap& picture = FImages->Image(picker::editPicture);
        painter->drawPixmap(r.left(), (r.top() + r.bottom() + 1 - picture.height()) / 2, picture);
        offset = picture.width();
    }
    const QFontMetrics fm(font);
    const int textTop = (r.top() + r.bottom() + 1 - fm.height()) / 2;
    painter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
    painter->drawText(QPoint(r.left() + offset + 3, textTop + fm.ascent()),
                      index.data(Qt::DisplayRole).toString());
    if (picker::IsSeparator(row)) {
        painter->fillRect(r, pal.base());
        painter->setPen(QPen(pal.text().color(), 1, Qt::SolidLine));
        const int y = r.top() + FItemHeight / 2;
        painter->drawLine(r.left(), y, r.right(), y);
    }
    painter->restore();
}

QSize TTemplateRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), FItemHeight);
}
