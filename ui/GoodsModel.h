// The goods grid: a table model that reads the in-memory goods list directly (no copy, no
// widget per row), the grid view over it, and the indicator column that marks the current row.
#pragma once

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <array>

#include "MemTable.h"

namespace rm {

class GoodsModel : public QAbstractTableModel, public IMemTableObserver {
    Q_OBJECT
  public:
    enum Column { ColSel, ColGroup, ColName, ColRate, ColumnCount };

    // Field, title and width at design size of each column.
    static const char* FieldName(int column);
    static QString Title(int column);
    static int DesignWidth(int column);

    explicit GoodsModel(QObject* parent = nullptr);
    ~GoodsModel() override;

    // Points the model at a goods list (nullptr: no data) and becomes its observer. The table
    // must outlive this setting: set another table or nullptr before the table goes.
    void SetTable(MemTable* table);
    MemTable* Table() const { return fTable; }
    int Resets() const { return fResets; }  // how often the model was reset (for checks)

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // IMemTableObserver
    void TableReset() override;
    void RowChanged(int shownIndex) override;
    void CurrentChanged(int shownIndex) override;

  signals:
    // The goods list's current row moved (-1: none); the view follows it.
    void tableCurrentChanged(int row);

  private:
    const Value* CellValue(int row, int column) const;

    MemTable* fTable = nullptr;
    int fRowCount = 0;
    std::array<int, ColumnCount> fFieldIndex{-1, -1, -1, -1};
    int fResets = 0;
};

// Draws the check box of the selection column centred in its cell.
class CheckBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

// The indicator column: a narrow vertical header with a marker on the current row.
class IndicatorHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit IndicatorHeader(QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// The grid. Reports the operator's actions as signals; the window passes them to its logic:
//  - rowSelected: the operator made another row current (mouse, arrow and page keys, Tab);
//  - toggleCheck: a press and release of the left button on the same selection cell, or Space
//    on the current row.
// Rows made current by the goods list itself (tableCurrentChanged) are followed silently.
class GoodsGridView : public QTableView {
    Q_OBJECT
  public:
    explicit GoodsGridView(QWidget* parent = nullptr);
    void SetGoodsModel(GoodsModel* model);
    GoodsModel* Goods() const { return fModel; }
    int CurrentRow() const;

  signals:
    void rowSelected(int row);
    void toggleCheck(int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    void FollowTableCurrent(int row);
    void ApplyColumnWidths();

    GoodsModel* fModel = nullptr;
    int fPressedRow = -1;  // row whose selection cell got the left button's press, -1: none
    bool fFollowing = false;
};

}  // namespace rm
