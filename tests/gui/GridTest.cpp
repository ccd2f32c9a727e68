// The goods grid over a real goods list: what it shows, the columns, ticking by mouse and by
// Space, following the list's current row, and one reset per reload.
#include <QHeaderView>
#include <QtTest>

#include "GoodsModel.h"
#include "GuiSupport.h"
#include "QtWindow.h"

using namespace rm;
using rm::guitest::Goods;
using rm::guitest::LoadGoods;
using rm::guitest::RecordingEvents;

namespace {

const std::vector<Goods> kGoods = {
    {std::int64_t{0}, "Бакалея", "Крупа гречневая ядрица 900 г"},
    {std::int64_t{1}, "Бакалея", "Рис круглозёрный 800 г"},
    {Value{}, "Молочные продукты", "Молоко 3,2% 1 л"},
    {std::int64_t{2}, "Молочные продукты", "Кефир 1% 900 г"},
    {std::int64_t{0}, "Напитки", "Вода минеральная 1,5 л"},
    {std::int64_t{0}, "Напитки", "Сок яблочный 1 л"},
};

}  // namespace

class GridTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void showsTheGoodsList();
    void columnsKeepTheirWidths();
    void listNotLoadedShowsNothing();
    void pressAndReleaseOnOneCheckBoxToggles();
    void releaseElsewhereDoesNotToggle_data();
    void releaseElsewhereDoesNotToggle();
    void otherColumnsOnlySelectTheRow();
    void spaceTogglesTheCurrentRow();
    void followsTheListsCurrentRowSilently();
    void oneResetPerReloadAndFilter();
    void largeListScrollsAndTicks();

  private:
    QPoint CellCentre(int row, int column) const;
    QStringList Calls() const;
    Qt::CheckState Tick(int row) const;

    MemTable* fTable = nullptr;
    QtWindow* fWindow = nullptr;
    RecordingEvents* fEvents = nullptr;
    GoodsGridView* fGrid = nullptr;
};

void GridTest::init() {
    fTable = new MemTable("MemTableData");
    LoadGoods(*fTable, kGoods);
    fEvents = new RecordingEvents(fTable);
    fWindow = new QtWindow(QStringLiteral("Ratemend"));
    fWindow->SetEvents(fEvents);
    fWindow->SetGridSource(fTable);
    fGrid = fWindow->Grid();
    fWindow->show();
    QApplication::setActiveWindow(fWindow);
    QVERIFY(QTest::qWaitForWindowActive(fWindow));
}

void GridTest::cleanup() {
    fWindow->SetGridSource(nullptr);
    delete fWindow;
    delete fEvents;
    delete fTable;
}

QPoint GridTest::CellCentre(int row, int column) const {
    return fGrid->visualRect(fGrid->model()->index(row, column)).center();
}

QStringList GridTest::Calls() const {
    QStringList out;
    for (const auto& c : fEvents->calls) {
        out << QString::fromStdString(c);
    }
    return out;
}

Qt::CheckState GridTest::Tick(int row) const {
    return fGrid->model()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

void GridTest::showsTheGoodsList() {
    QAbstractItemModel* m = fGrid->model();
    QCOMPARE(m->rowCount(), 6);
    QCOMPARE(m->columnCount(), 4);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral(" "));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Группа товаров"));
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Наименовение товара"));
    QCOMPARE(m->headerData(3, Qt::Horizontal).toString(), QStringLiteral("НДС"));
    // 1 ticked, an empty value shaded, anything else not ticked.
    QCOMPARE(Tick(0), Qt::Unchecked);
    QCOMPARE(Tick(1), Qt::Checked);
    QCOMPARE(Tick(2), Qt::PartiallyChecked);
    QCOMPARE(Tick(3), Qt::Unchecked);
    QVERIFY(!m->index(1, 0).data(Qt::DisplayRole).isValid());
    QCOMPARE(m->index(2, 1).data().toString(), QStringLiteral("Молочные продукты"));
    QCOMPARE(m->index(2, 2).data().toString(), QStringLiteral("Молоко 3,2% 1 л"));
    QCOMPARE(m->index(2, 3).data().toString(), QStringLiteral("НДС 20%"));
    for (int c = 0; c < 4; ++c) {
        const Qt::ItemFlags f = m->flags(m->index(0, c));
        QVERIFY(!(f & Qt::ItemIsEditable));
        QVERIFY(!(f & Qt::ItemIsUserCheckable));  // ticks go through the window's logic
    }
    QCOMPARE(fGrid->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(fGrid->showGrid());
    QVERIFY(fGrid->verticalHeader()->isVisible());
    QVERIFY(fGrid->horizontalHeader()->isVisible());
    QVERIFY(fGrid->tabKeyNavigation());
    // The indicator column is on the current row.
    QCOMPARE(fGrid->CurrentRow(), fTable->CurrentIndex());
}

void GridTest::columnsKeepTheirWidths() {
    QHeaderView* h = fGrid->horizontalHeader();
    const int widths[] = {26, 189, 568, 155};
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(h->sectionSize(c), widths[c]);
        QCOMPARE(h->sectionResizeMode(c), QHeaderView::Interactive);
    }
    QVERIFY(!h->stretchLastSection());
    fWindow->resize(1400, 600);
    QTRY_COMPARE(fGrid->width(), 1384);
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(h->sectionSize(c), widths[c]);
    }
    // A reload keeps the columns as they are.
    LoadGoods(*fTable, kGoods);
    QCOMPARE(h->sectionSize(2), 568);
}

void GridTest::listNotLoadedShowsNothing() {
    MemTable closed("MemTableData");
    fWindow->SetGridSource(&closed);
    QCOMPARE(fGrid->model()->rowCount(), 0);
    fWindow->repaint();
    QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QTest::keyClick(fGrid, Qt::Key_Space);
    QVERIFY(fEvents->calls.empty());
    fWindow->SetGridSource(nullptr);
    QCOMPARE(fGrid->model()->rowCount(), 0);
}

void GridTest::pressAndReleaseOnOneCheckBoxToggles() {
    QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(4, 0));
    QCOMPARE(Calls(), QStringList({"GridRowSelected(4)", "GridToggleCheck(4)"}));
    QCOMPARE(Tick(4), Qt::Checked);

    QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(4, 0));
    QCOMPARE(Tick(4), Qt::Unchecked);
    QCOMPARE(Calls().mid(2), QStringList({"GridToggleCheck(4)"}));

    // An empty tick becomes 1.
    QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
    QCOMPARE(Tick(2), Qt::Checked);
    QCOMPARE(fGrid->CurrentRow(), 2);
    // The edit of row 2 was posted when the list left it for row 5.
    QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(5, 1));
    QVERIFY(!fTable->Editing());
    QCOMPARE(Tick(2), Qt::Checked);

    // A double click, as the platform delivers it (press, release, press, double click,
    // release), is two clicks: two toggles.
    const QPoint inWindow = fGrid->viewport()->mapTo(fWindow, CellCentre(0, 0));
    QTest::mouseDClick(fWindow->windowHandle(), Qt::LeftButton, {}, inWindow);
    QCOMPARE(Calls().count("GridToggleCheck(0)"), 2);
    QCOMPARE(Tick(0), Qt::Unchecked);
}

void GridTest::releaseElsewhereDoesNotToggle_data() {
    QTest::addColumn<int>("releaseRow");
    QTest::addColumn<int>("releaseColumn");
    QTest::newRow("another row's check box") << 3 << 0;
    QTest::newRow("same row, another column") << 1 << 2;
    QTest::newRow("outside the rows") << -1 << 0;
}

void GridTest::releaseElsewhereDoesNotToggle() {
    QFETCH(int, releaseRow);
    QFETCH(int, releaseColumn);
    const QPoint release = releaseRow >= 0
                               ? CellCentre(releaseRow, releaseColumn)
                               : QPoint(CellCentre(0, 0).x(), fGrid->viewport()->height() - 3);
    QTest::mousePress(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(1, 0));
    QTest::mouseRelease(fGrid->viewport(), Qt::LeftButton, {}, release);
    QVERIFY(!Calls().join(' ').contains("GridToggleCheck"));
    QCOMPARE(Tick(1), Qt::Checked);
    QCOMPARE(Tick(3), Qt::Unchecked);
}

void GridTest::otherColumnsOnlySelectTheRow() {
    for (int column : {1, 2, 3}) {
        const int row = column + 1;
        QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(row, column));
        QCOMPARE(fTable->CurrentIndex(), row);
        QCOMPARE(fGrid->CurrentRow(), row);
    }
    QCOMPARE(Calls(),
             QStringList({"GridRowSelected(2)", "GridRowSelected(3)", "GridRowSelected(4)"}));
    // The whole row is selected.
    QCOMPARE(fGrid->selectionModel()->selectedIndexes().size(), 4);
    // Arrow keys move the current row too.
    fGrid->setFocus();
    QTest::keyClick(fGrid, Qt::Key_Down);
    QCOMPARE(fTable->CurrentIndex(), 5);
    QCOMPARE(Calls().last(), QStringLiteral("GridRowSelected(5)"));
}

void GridTest::spaceTogglesTheCurrentRow() {
    QTest::mouseClick(fGrid->viewport(), Qt::LeftButton, {}, CellCentre(3, 2));
    fGrid->setFocus();
    QTRY_VERIFY(fGrid->hasFocus());
    QTest::keyClick(fGrid, Qt::Key_Space);
    QCOMPARE(Calls(), QStringList({"GridRowSelected(3)", "GridToggleCheck(3)"}));
    QCOMPARE(Tick(3), Qt::Checked);  // it held 2: anything but 1 becomes 1
    QTest::keyClick(fGrid, Qt::Key_Space);
    QCOMPARE(Tick(3), Qt::Unchecked);
    // With a modifier Space is not a tick.
    QTest::keyClick(fGrid, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(Tick(3), Qt::Unchecked);
}

void GridTest::followsTheListsCurrentRowSilently() {
    fTable->MoveTo(5);
    QCOMPARE(fGrid->CurrentRow(), 5);
    fTable->First();
    QCOMPARE(fGrid->CurrentRow(), 0);
    QVERIFY(fEvents->calls.empty());
    // The filter of an apply run: only the ticked rows; the grid shows them and nothing else.
    fTable->SetFilter("(SelField = 1)");
    QCOMPARE(fGrid->model()->rowCount(), 1);
    QCOMPARE(fGrid->model()->index(0, 2).data().toString(),
             QStringLiteral("Рис круглозёрный 800 г"));
    fTable->SetFilter("");
    QCOMPARE(fGrid->model()->rowCount(), 6);
    QVERIFY(fEvents->calls.empty());
}

void GridTest::oneResetPerReloadAndFilter() {
    GoodsModel* model = fWindow->Model();
    const int before = model->Resets();
    std::vector<Goods> more(250, Goods{std::int64_t{0}, "Хлеб", "Батон нарезной 400 г"});
    fTable->DisableControls();  // the reload suspends twice: dataset and list
    LoadGoods(*fTable, more);
    QCOMPARE(model->Resets(), before);
    fTable->EnableControls();
    QCOMPARE(model->Resets(), before + 1);
    QCOMPARE(model->rowCount(), 250);
    QCOMPARE(fGrid->CurrentRow(), 0);
}

void GridTest::largeListScrollsAndTicks() {
    std::vector<Goods> many;
    many.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        many.push_back({std::int64_t{0}, "Бакалея", "Товар"});
    }
    LoadGoods(*fTable, many);
    QCOMPARE(fGrid->model()->rowCount(), 100000);
    fGrid->setFocus();
    QTest::keyClick(fGrid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(fTable->CurrentIndex(), 99999);
    QTest::keyClick(fGrid, Qt::Key_Space);
    QCOMPARE(Tick(99999), Qt::Checked);
    QVERIFY(
        fGrid->visualRect(fGrid->model()->index(99999, 0)).intersects(fGrid->viewport()->rect()));
}

QTEST_MAIN(GridTest)
#include "GridTest.moc"
