#include "GoodsModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace rm {

namespace {

struct ColumnDef {
    const char* field;
    const char* title;
    int width;
};

constexpr ColumnDef kColumns[GoodsModel::ColumnCount] = {
    {"SelField", " ", 26},
    {"dcItemsGrpName", "Группа товаров", 189},
    {"FullName", "Наименовение товара", 568},
    {"dcNdsName", "НДС", 155},
};

constexpr int kIndicatorWidth = 12;

}  // namespace

// ---------------------------------------------------------------------------------------------
// GoodsModel

const char* GoodsModel::FieldName(int column) {
    return kColumns[column].field;
}
QString GoodsModel::Title(int column) {
    return QString::fromUtf8(kColumns[column].title);
}
int GoodsModel::DesignWidth(int column) {
    return kColumns[column].width;
}

GoodsModel::GoodsModel(QObject* parent) : QAbstractTableModel(parent) {}

GoodsModel::~GoodsModel() {
    if (fTable) {
        fTable->SetObserver(nullptr);
    }
}

void GoodsModel::SetTable(MemTable* table) {
    if (fTable == table) {
        return;
    }
    if (fTable) {
        fTable->SetObserver(nullptr);
    }
    fTable = table;
    if (fTable) {
        fTable->SetObserver(this);
    }
    TableReset();
}

void GoodsModel::TableReset() {
    beginResetModel();
    fFieldIndex.fill(-1);
    fRowCount = 0;
    if (fTable && fTable->Active()) {
        for (int c = 0; c < ColumnCount; ++c) {
            fFieldIndex[c] = fTable->FieldIndex(kColumns[c].field);
        }
        fRowCount = fTable->ShownCount();
    }
    ++fResets;
    endResetModel();
    emit tableCurrentChanged(fTable && fTable->Active() ? fTable->CurrentIndex() : -1);
}

void GoodsModel::RowChanged(int shownIndex) {
    if (shownIndex >= 0 && shownIndex < fRowCount) {
        emit dataChanged(index(shownIndex, 0), index(shownIndex, ColumnCount - 1));
    }
}

void GoodsModel::CurrentChanged(int shownIndex) {
    emit tableCurrentChanged(shownIndex);
}

int GoodsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fRowCount;
}

int GoodsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

// The value of a cell, or nullptr. The goods list may change between two notifications (rows
// are reloaded while the view is suspended), so every read checks the list as it is now.
const Value* GoodsModel::CellValue(int row, int column) const {
    if (!fTable || !fTable->Active() || column < 0 || column >= ColumnCount) {
        return nullptr;
    }
    const int field = fFieldIndex[column];
    if (field < 0 || field >= static_cast<int>(fTable->Fields().size()) || row < 0 ||
        row >= fTable->ShownCount()) {
        return nullptr;
    }
    return &fTable->ShownValue(row, field);
}

QVariant GoodsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const Value* v = CellValue(index.row(), index.column());
    if (index.column() == ColSel) {
        if (role != Qt::CheckStateRole || !v) {
            return {};
        }
        if (IsNull(*v)) {
            return Qt::PartiallyChecked;  // an empty tick is shown shaded
        }
        return ValueAsInt64(*v) == 1 ? Qt::Checked : Qt::Unchecked;
    }
    if (role == Qt::DisplayRole && v) {
        return QString::fromStdString(ValueAsString(*v));
    }
    return {};
}

QVariant GoodsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount) {
        return Title(section);
    }
    return {};
}

Qt::ItemFlags GoodsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // No in-place editor: ticks are changed by the window's logic, never by the view.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---------------------------------------------------------------------------------------------
// CheckBoxDelegate

void CheckBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    if (!(opt.features & QStyleOptionViewItem::HasCheckIndicator)) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    // Background and selection first, then the box alone, centred.
    QStyleOptionViewItem back = opt;
    back.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    back.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &back, painter, widget);

    QStyleOptionViewItem box = opt;
    const QRect indicator =
        style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
    box.rect = QStyle::alignedRect(opt.direction, Qt::AlignCenter, indicator.size(), opt.rect);
    box.state &= ~QStyle::State_HasFocus;
    switch (opt.checkState) {
        case Qt::Checked:
            box.state |= QStyle::State_On;
            break;
        case Qt::PartiallyChecked:
            box.state |= QStyle::State_NoChange;
            break;
        case Qt::Unchecked:
            box.state |= QStyle::State_Off;
            break;
    }
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, widget);
}

bool CheckBoxDelegate::editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                                   const QModelIndex&) {
    return false;  // the view reports clicks to the window; the model is never written here
}

// ---------------------------------------------------------------------------------------------
// IndicatorHeader

IndicatorHeader::IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

QSize IndicatorHeader::sizeHint() const {
    QSize s = QHeaderView::sizeHint();
    s.setWidth(kIndicatorWidth);
    return s;
}

void IndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();  // the section's painting leaves a clip behind
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    const auto* view = qobject_cast<const QTableView*>(parentWidget());
    if (!view || view->currentIndex().row() != logicalIndex) {
        return;
    }
    // A small solid triangle pointing at the row.
    const int h = 7;
    const int w = 4;
    const int x = rect.left() + (rect.width() - w) / 2;
    const int y = rect.top() + (rect.height() - h) / 2;
    QPolygon marker;
    marker << QPoint(x, y) << QPoint(x + w, y + h / 2) << QPoint(x, y + h - 1);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(palette().color(QPalette::WindowText));
    painter->setBrush(palette().color(QPalette::WindowText));
    painter->drawPolygon(marker);
    painter->restore();
}

// ---------------------------------------------------------------------------------------------
// GoodsGridView

GoodsGridView::GoodsGridView(QWidget* parent) : QTableView(parent) {
    setVerticalHeader(new IndicatorHeader(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setItemDelegateForColumn(GoodsModel::ColSel, new CheckBoxDelegate(this));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
}

void GoodsGridView::SetGoodsModel(GoodsModel* model) {
    if (fModel) {
        disconnect(fModel, nullptr, this, nullptr);
    }
    fModel = model;
    setModel(model);
    if (fModel) {
        connect(fModel, &GoodsModel::tableCurrentChanged, this, &GoodsGridView::FollowTableCurrent);
    }
    ApplyColumnWidths();
}

void GoodsGridView::ApplyColumnWidths() {
    for (int c = 0; c < GoodsModel::ColumnCount; ++c) {
        setColumnWidth(c, GoodsModel::DesignWidth(c));
    }
}

int GoodsGridView::CurrentRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void GoodsGridView::FollowTableCurrent(int row) {
    if (!fModel || !selectionModel()) {
        return;
    }
    fFollowing = true;
    if (row >= 0 && row < fModel->rowCount()) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = fModel->index(row, column);
        if (target != currentIndex()) {
            selectionModel()->setCurrentIndex(
                target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        scrollTo(target);
    } else if (currentIndex().isValid()) {
        selectionModel()->clear();
    }
    fFollowing = false;
    verticalHeader()->viewport()->update();
}

void GoodsGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    verticalHeader()->viewport()->update();
    if (fFollowing || !current.isValid() || current.row() == previous.row()) {
        return;
    }
    MemTable* table = fModel ? fModel->Table() : nullptr;
    if (table && table->Active() && table->CurrentIndex() == current.row()) {
        return;  // already the goods list's current row
    }
    emit rowSelected(current.row());
}

void GoodsGridView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    fPressedRow =
        (event->button() == Qt::LeftButton && at.isValid() && at.column() == GoodsModel::ColSel)
            ? at.row()
            : -1;
    QTableView::mousePressEvent(event);
}

// The second press of a double click arrives as the double click: on a check box it is a
// press of its own, so two quick clicks tick and untick.
void GoodsGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid() && at.column() == GoodsModel::ColSel) {
        mousePressEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void GoodsGridView::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = fPressedRow;
    fPressedRow = -1;
    const QModelIndex at = indexAt(event->position().toPoint());
    QTableView::mouseReleaseEvent(event);
    if (pressed >= 0 && event->button() == Qt::LeftButton && at.isValid() &&
        at.column() == GoodsModel::ColSel && at.row() == pressed) {
        emit toggleCheck(pressed);
    }
}

void GoodsGridView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const int row = CurrentRow();
        if (row >= 0) {
            emit toggleCheck(row);
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace rm
