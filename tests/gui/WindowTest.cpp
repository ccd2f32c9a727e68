// The main window on real widgets: places and anchors, size limits, tab order, keys that must
// press nothing, button wiring, close requests, message boxes, the file dialog, lookup boxes,
// the progress bar and the pictures.
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "GoodsModel.h"
#include "GuiSupport.h"
#include "Pictures.h"
#include "QtWindow.h"

using namespace rm;
using rm::guitest::OnNextModal;
using rm::guitest::RecordingEvents;

Q_DECLARE_METATYPE(rm::Control)

namespace {

QStringList Calls(const RecordingEvents& ev) {
    QStringList out;
    for (const auto& c : ev.calls) {
        out << QString::fromStdString(c);
    }
    return out;
}

// Shows the window and waits until it has the keyboard.
bool ShowActive(QtWindow& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    return QTest::qWaitForWindowActive(&w);
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initialState();
    void designPlaces();
    void resizeKeepsAnchors_data();
    void resizeKeepsAnchors();
    void progressLayoutPlacedByLogicFollowsAnchors();
    void minimumSize();
    void tabOrder();
    void enterAndEscPressNothing();
    void buttonsReachTheirCommands_data();
    void buttonsReachTheirCommands();
    void closeRequestAsksTheLogic();
    void errorInACommandIsReportedAndWorkGoesOn();
    void messageBoxMapping_data();
    void messageBoxMapping();
    void messageBoxAnswers_data();
    void messageBoxAnswers();
    void messageTextIsPlainWithNormalisedBreaks();
    void showMessageUsesTheApplicationTitle();
    void lineBreakNormalisation_data();
    void lineBreakNormalisation();
    void applicationTitle_data();
    void applicationTitle();
    void fileDialogSettingsAndNewName();
    void fileDialogCancelled();
    void lookupBoxes();
    void progressBarRange();
    void focusAskedBeforeShowIsGivenOnShow();
    void pictures();
};

void WindowTest::initialState() {
    QtWindow w(QStringLiteral("Ratemend"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Изменение ставки НДС для товаров"));
    QCOMPARE(w.size(), QSize(996, 507));
    QCOMPARE(w.font().pixelSize(), 11);
    QVERIFY(!w.windowIcon().isNull());

    auto label = [&](Control c) { return qobject_cast<QLabel*>(w.Widget(c))->text(); };
    QCOMPARE(label(Control::Label2), QStringLiteral("Путь к базе данных:"));
    QCOMPARE(label(Control::Label1), QStringLiteral("Отбор  товара со ставкой  НДС"));
    QCOMPARE(label(Control::Label3), QStringLiteral("Новая ставка НДС для выбранных товаров"));
    auto button = [&](Control c) { return qobject_cast<QPushButton*>(w.Widget(c)); };
    QCOMPARE(button(Control::bDBChangePath)->text(), QStringLiteral("..."));
    QCOMPARE(button(Control::bApplyChangeNDS)->text(), QStringLiteral("Применить"));
    QCOMPARE(button(Control::bCancelChangeNDS)->text(), QStringLiteral("Отменить"));
    for (Control c : {Control::bbSelAll, Control::bbSelEmpty, Control::bbSelInvert}) {
        QVERIFY(button(c)->text().isEmpty());
        QVERIFY(!button(c)->icon().isNull());
        QCOMPARE(button(c)->iconSize(), QSize(24, 24));
    }

    auto* path = qobject_cast<QLineEdit*>(w.Widget(Control::eDBPath));
    QVERIFY(path->isReadOnly());
    QVERIFY(path->text().isEmpty());

    // Design states: only "..." starts disabled; the progress bar and the cancel button hidden.
    for (int i = 0; i < kControlCount; ++i) {
        const auto c = static_cast<Control>(i);
        QCOMPARE(w.IsEnabled(c), c != Control::bDBChangePath);
        const bool hidden = c == Control::pbChangeProgress || c == Control::bCancelChangeNDS;
        QCOMPARE(w.Widget(c)->isHidden(), hidden);
        QCOMPARE(w.Widget(c)->objectName(), QString::fromLatin1(ControlName(c)));
    }
    QCOMPARE(w.Widget(Control::pbChangeProgress)->focusPolicy(), Qt::NoFocus);
    QCOMPARE(w.LookupBox(Control::cblNDSSelectSource)->currentIndex(), -1);
    QVERIFY(!w.LookupBox(Control::cblNDSSelectSource)->isEditable());
    QCOMPARE(w.Grid()->model()->rowCount(), 0);
}

void WindowTest::designPlaces() {
    QtWindow w;
    const QList<std::pair<Control, QRect>> expected = {
        {Control::Label2, {8, 13, 106, 13}},
        {Control::Label1, {8, 57, 160, 13}},
        {Control::Label3, {632, 57, 222, 13}},
        {Control::bDBChangePath, {946, 8, 42, 25}},
        {Control::eDBPath, {120, 10, 820, 21}},
        {Control::cblNDSSelectSource, {174, 54, 121, 21}},
        {Control::cblNDSSelectTarget, {865, 54, 121, 21}},
        {Control::GridItems, {8, 88, 980, 378}},
        {Control::bApplyChangeNDS, {897, 474, 91, 25}},
        {Control::pbChangeProgress, {89, 474, 802, 25}},
        {Control::bCancelChangeNDS, {800, 474, 91, 25}},
        {Control::bbSelAll, {8, 472, 31, 32}},
        {Control::bbSelEmpty, {45, 472, 31, 32}},
        {Control::bbSelInvert, {82, 472, 31, 32}},
    };
    QCOMPARE(expected.size(), kControlCount);
    // A label may be wider than designed when this system's face is wider than the designed
    // one; it keeps its place and never cuts its text.
    auto placed = [&](Control c, QRect rect) {
        const QRect g = w.Widget(c)->geometry();
        if (qobject_cast<QLabel*>(w.Widget(c))) {
            return g.topLeft() == rect.topLeft() && g.height() == rect.height() &&
                   g.width() >= rect.width() && g.width() >= w.Widget(c)->sizeHint().width();
        }
        return g == rect;
    };
    for (const auto& [c, rect] : expected) {
        QVERIFY2(placed(c, rect), ControlName(c));
    }
    // Shown, the places are the same.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(996, 507));
    for (const auto& [c, rect] : expected) {
        QVERIFY2(placed(c, rect), ControlName(c));
    }
    // The labels stay clear of the boxes they name.
    QVERIFY(w.Widget(Control::Label1)->geometry().right() <
            w.Widget(Control::cblNDSSelectSource)->geometry().left());
    QVERIFY(w.Widget(Control::Label3)->geometry().right() <
            w.Widget(Control::cblNDSSelectTarget)->geometry().left());
}

void WindowTest::resizeKeepsAnchors_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<Control>("control");
    QTest::addColumn<QRect>("expected");
    // Wider by 204 and taller by 193.
    const QSize big(1200, 700);
    QTest::newRow("big grid stretches both ways")
        << big << Control::GridItems << QRect(8, 88, 1184, 571);
    QTest::newRow("big path box stretches") << big << Control::eDBPath << QRect(120, 10, 1024, 21);
    QTest::newRow("big ... moves right") << big << Control::bDBChangePath << QRect(1150, 8, 42, 25);
    QTest::newRow("big target box moves right")
        << big << Control::cblNDSSelectTarget << QRect(1069, 54, 121, 21);
    QTest::newRow("big apply follows the corner")
        << big << Control::bApplyChangeNDS << QRect(1101, 667, 91, 25);
    QTest::newRow("big progress stretches, moves down")
        << big << Control::pbChangeProgress << QRect(89, 667, 1006, 25);
    QTest::newRow("big cancel stays")
        << big << Control::bCancelChangeNDS << QRect(800, 474, 91, 25);
    QTest::newRow("big bbSelAll stays") << big << Control::bbSelAll << QRect(8, 472, 31, 32);
    QTest::newRow("big bbSelInvert stays") << big << Control::bbSelInvert << QRect(82, 472, 31, 32);
    QTest::newRow("big source box stays")
        << big << Control::cblNDSSelectSource << QRect(174, 54, 121, 21);
    QTest::newRow("big bbSelEmpty stays") << big << Control::bbSelEmpty << QRect(45, 472, 31, 32);
    // Narrower by 266 and lower by 207 (the smallest window).
    const QSize small(730, 300);
    QTest::newRow("small grid shrinks") << small << Control::GridItems << QRect(8, 88, 714, 171);
    QTest::newRow("small apply follows the corner")
        << small << Control::bApplyChangeNDS << QRect(631, 267, 91, 25);
    QTest::newRow("small target box moves left")
        << small << Control::cblNDSSelectTarget << QRect(599, 54, 121, 21);
    QTest::newRow("small cancel stays, outside")
        << small << Control::bCancelChangeNDS << QRect(800, 474, 91, 25);
}

void WindowTest::resizeKeepsAnchors() {
    QFETCH(QSize, client);
    QFETCH(Control, control);
    QFETCH(QRect, expected);
    QtWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(client);
    QTRY_COMPARE(w.size(), client);
    QCOMPARE(w.Widget(control)->geometry(), expected);
    // Back at design size every control is at its design place again.
    w.resize(kDesignClientSize);
    QTRY_COMPARE(w.size(), kDesignClientSize);
    QCOMPARE(w.Widget(control)->geometry(), QtWindow::DesignGeometry(control));
    // Label3 keeps its distance to the right edge.
    const QWidget* label3 = w.Widget(Control::Label3);
    const int gap = w.width() - label3->geometry().right();
    w.resize(client);
    QTRY_COMPARE(w.size(), client);
    QCOMPARE(w.width() - label3->geometry().right(), gap);
}

// The logic moves the cancel button and the progress bar and sets the bar's width; from then
// on the anchors keep the new distances, and a later width is taken as given.
void WindowTest::progressLayoutPlacedByLogicFollowsAnchors() {
    QtWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SetLeft(Control::bCancelChangeNDS, 897);
    w.SetLeft(Control::pbChangeProgress, 8);
    w.SetWidth(Control::pbChangeProgress, 883);
    QCOMPARE(w.Widget(Control::pbChangeProgress)->geometry(), QRect(8, 474, 883, 25));
    QCOMPARE(w.Widget(Control::bCancelChangeNDS)->geometry(),
             w.Widget(Control::bApplyChangeNDS)->geometry());

    w.resize(1096, 557);
    QTRY_COMPARE(w.size(), QSize(1096, 557));
    QCOMPARE(w.Widget(Control::pbChangeProgress)->geometry(), QRect(8, 524, 983, 25));
    QCOMPARE(w.Widget(Control::bCancelChangeNDS)->geometry(), QRect(897, 474, 91, 25));

    // A new run sets 883 whatever the window's width.
    w.SetWidth(Control::pbChangeProgress, 883);
    QCOMPARE(w.Widget(Control::pbChangeProgress)->geometry(), QRect(8, 524, 883, 25));
    w.resize(996, 507);
    QTRY_COMPARE(w.size(), QSize(996, 507));
    QCOMPARE(w.Widget(Control::pbChangeProgress)->geometry(), QRect(8, 474, 783, 25));

    // Shrunk below zero width and back: nothing is lost on the way.
    w.resize(730, 300);
    QTRY_COMPARE(w.size(), QSize(730, 300));
    QCOMPARE(w.Widget(Control::pbChangeProgress)->width(), 517);
    w.SetMinWidth(0);
    w.SetMinHeight(0);
    w.resize(200, 200);
    QTRY_COMPARE(w.size(), QSize(200, 200));
    QCOMPARE(w.Widget(Control::pbChangeProgress)->width(), 0);
    w.resize(996, 507);
    QTRY_COMPARE(w.size(), QSize(996, 507));
    QCOMPARE(w.Widget(Control::pbChangeProgress)->geometry(), QRect(8, 474, 783, 25));
}

void WindowTest::minimumSize() {
    QtWindow w;
    w.SetMinHeight(300);
    w.SetMinWidth(730);
    QCOMPARE(w.RequestedMinimumSize(), QSize(730, 300));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The limits are of the outer window: the frame is taken off the client's minimum.
    const QSize frame = w.frameGeometry().size() - w.size();
    QCOMPARE(w.minimumSize(), QSize(730, 300) - frame);
    QCOMPARE(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    w.resize(500, 200);
    QTRY_COMPARE(w.frameGeometry().size(), QSize(730, 300));
    w.resize(3000, 2000);
    QTRY_COMPARE(w.size(), QSize(3000, 2000));
}

void WindowTest::tabOrder() {
    QtWindow w;
    // Everything usable, so that every control that can take the focus is in the walk.
    for (int i = 0; i < kControlCount; ++i) {
        w.SetEnabled(static_cast<Control>(i), true);
        w.SetVisible(static_cast<Control>(i), true);
    }
    QVERIFY(ShowActive(w));
    w.Widget(Control::bDBChangePath)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.Widget(Control::bDBChangePath));
    QStringList walk{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walk,
             QStringList({"bDBChangePath", "eDBPath", "cblNDSSelectSource", "cblNDSSelectTarget",
                          "GridItems", "bApplyChangeNDS", "bCancelChangeNDS", "bbSelAll",
                          "bbSelEmpty", "bbSelInvert", "bDBChangePath"}));
}

void WindowTest::enterAndEscPressNothing() {
    QtWindow w;
    RecordingEvents events;
    w.SetEvents(&events);
    for (int i = 0; i < kControlCount; ++i) {
        w.SetEnabled(static_cast<Control>(i), true);
        w.SetVisible(static_cast<Control>(i), true);
    }
    w.SetLookupItems(Control::cblNDSSelectSource, {"Без НДС", "НДС 10%"});
    QVERIFY(ShowActive(w));
    int clicks = 0;
    for (auto* b : w.findChildren<QPushButton*>()) {
        QVERIFY(!b->autoDefault());
        QVERIFY(!b->isDefault());
        connect(b, &QPushButton::clicked, [&clicks] { ++clicks; });
    }
    for (Control c : {Control::bDBChangePath, Control::eDBPath, Control::cblNDSSelectSource,
                      Control::cblNDSSelectTarget, Control::GridItems, Control::bApplyChangeNDS,
                      Control::bCancelChangeNDS, Control::bbSelAll, Control::bbSelEmpty,
                      Control::bbSelInvert}) {
        QWidget* target = w.Widget(c);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(target, key);
        }
        QVERIFY2(w.isVisible(), ControlName(c));
    }
    QCOMPARE(clicks, 0);
    QVERIFY(events.calls.empty());
}

void WindowTest::buttonsReachTheirCommands_data() {
    QTest::addColumn<Control>("button");
    QTest::addColumn<QString>("command");
    QTest::newRow("...") << Control::bDBChangePath << "bDBChangePathClick";
    QTest::newRow("apply") << Control::bApplyChangeNDS << "bApplyChangeNDSClick";
    QTest::newRow("cancel") << Control::bCancelChangeNDS << "bCancelChangeNDSClick";
    QTest::newRow("all") << Control::bbSelAll << "bbSelAllClick";
    QTest::newRow("empty") << Control::bbSelEmpty << "bbSelEmptyClick";
    QTest::newRow("invert") << Control::bbSelInvert << "bbSelInvertClick";
}

void WindowTest::buttonsReachTheirCommands() {
    QFETCH(Control, button);
    QFETCH(QString, command);
    QtWindow w;
    RecordingEvents events;
    w.SetEvents(&events);
    w.SetEnabled(button, true);
    w.SetVisible(button, true);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.Widget(button), Qt::LeftButton);
    QCOMPARE(Calls(events), QStringList{command});
    // A disabled button reaches nothing.
    w.SetEnabled(button, false);
    QTest::mouseClick(w.Widget(button), Qt::LeftButton);
    QCOMPARE(Calls(events), QStringList{command});
}

void WindowTest::closeRequestAsksTheLogic() {
    QtWindow w;
    RecordingEvents events;
    w.SetEvents(&events);
    QSignalSpy accepted(&w, &QtWindow::closeAccepted);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    events.allowClose = false;  // a run in progress
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QCOMPARE(accepted.count(), 0);

    events.allowClose = true;
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(Calls(events), QStringList({"FormCloseQuery", "FormCloseQuery"}));
}

namespace {
class ThrowingEvents : public RecordingEvents {
  public:
    void bbSelAllClick() override { throw std::runtime_error("MemTableData: closed"); }
};
}  // namespace

void WindowTest::errorInACommandIsReportedAndWorkGoesOn() {
    QtWindow w;
    ThrowingEvents events;
    w.SetEvents(&events);
    std::vector<std::string> reported;
    w.SetErrorHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.Widget(Control::bbSelAll), Qt::LeftButton);
    QTest::mouseClick(w.Widget(Control::bbSelEmpty), Qt::LeftButton);
    QCOMPARE(reported, std::vector<std::string>{"MemTableData: closed"});
    QCOMPARE(Calls(events), QStringList{"bbSelEmptyClick"});

    // Without a handler the window shows the error itself, as an error box.
    w.SetErrorHandler(nullptr);
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        text = box->text();
        icon = box->icon();
        box->close();
    });
    QTest::mouseClick(w.Widget(Control::bbSelAll), Qt::LeftButton);
    QCOMPARE(text, QStringLiteral("MemTableData: closed"));
    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(w.isVisible());
}

void WindowTest::messageBoxMapping_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("cancelIsDefault");
    QTest::newRow("0x0 OK") << 0x0u << 1 << int(QMessageBox::NoIcon) << false;
    QTest::newRow("0x10 error") << 0x10u << 1 << int(QMessageBox::Critical) << false;
    QTest::newRow("0x30 warning") << 0x30u << 1 << int(QMessageBox::Warning) << false;
    QTest::newRow("0x40 information") << 0x40u << 1 << int(QMessageBox::Information) << false;
    QTest::newRow("0x110 error, no second button")
        << 0x110u << 1 << int(QMessageBox::Critical) << false;
    QTest::newRow("0x130 warning, no second button")
        << 0x130u << 1 << int(QMessageBox::Warning) << false;
    QTest::newRow("0x1 OK Cancel") << 0x1u << 2 << int(QMessageBox::NoIcon) << false;
    QTest::newRow("0x131 confirm, Cancel default")
        << 0x131u << 2 << int(QMessageBox::Warning) << true;
    QTest::newRow("0x111 second confirm") << 0x111u << 2 << int(QMessageBox::Critical) << true;
}

void WindowTest::messageBoxMapping() {
    QFETCH(unsigned, flags);
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(bool, cancelIsDefault);
    QWidget owner;
    auto box = CreateMessageBox(&owner, QStringLiteral("t"), QStringLiteral("c"), flags);
    QCOMPARE(box->parentWidget(), &owner);
    QCOMPARE(box->windowTitle(), QStringLiteral("c"));
    QCOMPARE(box->buttons().size(), buttons);
    QCOMPARE(int(box->icon()), icon);
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    QAbstractButton* cancel = box->button(QMessageBox::Cancel);
    QVERIFY(ok);
    QCOMPARE(cancel != nullptr, buttons == 2);
    QCOMPARE(box->defaultButton(), cancelIsDefault ? cancel : ok);
    QCOMPARE(box->escapeButton(), cancel ? cancel : ok);
}

void WindowTest::messageBoxAnswers_data() {
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("key");  // 0: the close box
    QTest::addColumn<int>("answer");
    QTest::newRow("OK box, Enter") << 0x30u << int(Qt::Key_Return) << mb::IDOK;
    QTest::newRow("OK box, Esc") << 0x30u << int(Qt::Key_Escape) << mb::IDOK;
    QTest::newRow("OK box, close box") << 0x10u << 0 << mb::IDOK;
    QTest::newRow("OK Cancel, Enter on OK") << 0x1u << int(Qt::Key_Return) << mb::IDOK;
    QTest::newRow("OK Cancel, Esc") << 0x1u << int(Qt::Key_Escape) << mb::IDCANCEL;
    QTest::newRow("OK Cancel, close box") << 0x1u << 0 << mb::IDCANCEL;
    QTest::newRow("confirm, Enter on Cancel") << 0x131u << int(Qt::Key_Return) << mb::IDCANCEL;
    QTest::newRow("confirm, Esc") << 0x111u << int(Qt::Key_Escape) << mb::IDCANCEL;
}

void WindowTest::messageBoxAnswers() {
    QFETCH(unsigned, flags);
    QFETCH(int, key);
    QFETCH(int, answer);
    QtWindow w;
    OnNextModal([key](QWidget* modal) {
        if (key == 0) {
            modal->close();
        } else {
            QTest::keyClick(modal, Qt::Key(key));
        }
    });
    QCOMPARE(w.MessageBox("Продолжить?", "Внимание", flags), answer);
}

void WindowTest::messageTextIsPlainWithNormalisedBreaks() {
    const std::string text = "Внимание\n\rДанная <b>утилита</b>\r\nконец";
    auto box = CreateMessageBox(nullptr, QString::fromStdString(text), "x", mb::OK);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), QStringLiteral("Внимание\nДанная <b>утилита</b>\nконец"));
}

void WindowTest::showMessageUsesTheApplicationTitle() {
    QtWindow w(QStringLiteral("Ratemend"));
    QString caption;
    QString text;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Warning;
    OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        buttons = int(box->buttons().size());
        icon = box->icon();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    w.ShowMessage("Операция завершена");
    QCOMPARE(caption, QStringLiteral("Ratemend"));
    QCOMPARE(text, QStringLiteral("Операция завершена"));
    QCOMPARE(buttons, 1);
    QCOMPARE(icon, QMessageBox::NoIcon);
}

void WindowTest::lineBreakNormalisation_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("LF CR") << "a\n\rb"
                           << "a\nb";
    QTest::newRow("CR LF") << "a\r\nb"
                           << "a\nb";
    QTest::newRow("lone CR") << "a\rb"
                             << "a\nb";
    QTest::newRow("lone LF") << "a\nb"
                             << "a\nb";
    QTest::newRow("empty line kept") << "a\n\r\n\rb"
                                     << "a\n\nb";
    QTest::newRow("two LFs") << "a\n\nb"
                             << "a\n\nb";
    QTest::newRow("break at the end") << "a\r\n"
                                      << "a\n";
    QTest::newRow("none") << "abc"
                          << "abc";
}

void WindowTest::lineBreakNormalisation() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(NormaliseLineBreaks(in), out);
}

void WindowTest::applicationTitle_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "/usr/bin/Ratemend"
                           << "Ratemend";
    QTest::newRow("extension") << "Ratemend.exe"
                               << "Ratemend";
    QTest::newRow("first full stop") << "./build/Ratemend.v2.exe"
                                     << "Ratemend";
    QTest::newRow("dotted folder") << "/opt/rate.mend/Ratemend"
                                   << "Ratemend";
}

void WindowTest::applicationTitle() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitle(path), title);
}

void WindowTest::fileDialogSettingsAndNewName() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString chosen = dir.filePath(QStringLiteral("new base.fdb"));  // does not exist
    QtWindow w;
    QStringList filters;
    QString folder;
    QFileDialog::FileMode mode = QFileDialog::ExistingFile;
    bool nonNative = false;
    auto operatorPicks = [&](const QString& file) {
        OnNextModal([&, file](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            folder = dialog->directory().absolutePath();
            mode = dialog->fileMode();
            nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            // Typed into the name box, as an operator would.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(file);
            QTest::keyClick(name, Qt::Key_Return);
        });
    };
    operatorPicks(chosen);
    std::string path;
    QVERIFY(w.ExecuteFileDialog(path));
    QCOMPARE(QString::fromStdString(path), chosen);
    QCOMPARE(filters, QStringList{"FDB (*.fdb)"});
    QCOMPARE(folder, QStringLiteral("/"));
    QCOMPARE(mode, QFileDialog::AnyFile);
    QVERIFY(nonNative);

    // The next time it opens at the root again, not where the last file was.
    operatorPicks(chosen);
    QVERIFY(w.ExecuteFileDialog(path));
    QCOMPARE(folder, QStringLiteral("/"));
}

void WindowTest::fileDialogCancelled() {
    QtWindow w;
    OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    std::string path = "unchanged";
    QVERIFY(!w.ExecuteFileDialog(path));
    QCOMPARE(path, std::string("unchanged"));
}

void WindowTest::lookupBoxes() {
    QtWindow w;
    RecordingEvents events;
    w.SetEvents(&events);
    QComboBox* source = w.LookupBox(Control::cblNDSSelectSource);
    QComboBox* target = w.LookupBox(Control::cblNDSSelectTarget);
    w.SetLookupItems(Control::cblNDSSelectSource, {"Без НДС", "НДС 10%", "НДС 20%", "A&B"});
    w.SetLookupItems(Control::cblNDSSelectTarget, {"Без НДС", "НДС 10%"});
    QCOMPARE(source->count(), 4);
    QCOMPARE(source->itemText(3), QStringLiteral("A&B"));
    QCOMPARE(source->currentIndex(), -1);
    QVERIFY(source->currentText().isEmpty());

    // Set by the logic: shown, and not reported back as a choice.
    w.SetLookupShown(Control::cblNDSSelectSource, 2);
    w.SetLookupShown(Control::cblNDSSelectTarget, 0);
    QCOMPARE(source->currentText(), QStringLiteral("НДС 20%"));
    QCOMPARE(target->currentText(), QStringLiteral("Без НДС"));
    w.SetLookupShown(Control::cblNDSSelectTarget, -1);
    QVERIFY(target->currentText().isEmpty());
    w.SetLookupShown(Control::cblNDSSelectTarget, 7);  // no such entry: empty
    QCOMPARE(target->currentIndex(), -1);
    QVERIFY(events.calls.empty());

    // Chosen by the operator with the keyboard: reported with the entry's index.
    QVERIFY(ShowActive(w));
    source->setFocus();
    QTRY_VERIFY(source->hasFocus());
    QTest::keyClick(source, Qt::Key_Up);
    QCOMPARE(Calls(events), QStringList{"LookupChosen(cblNDSSelectSource,1)"});
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    QTest::keyClick(target, Qt::Key_Down);
    QCOMPARE(Calls(events), QStringList({"LookupChosen(cblNDSSelectSource,1)",
                                         "LookupChosen(cblNDSSelectTarget,0)"}));

    // New entries empty the box again.
    w.SetLookupItems(Control::cblNDSSelectSource, {"X"});
    QCOMPARE(source->currentIndex(), -1);
    QCOMPARE(events.calls.size(), std::size_t{2});
}

void WindowTest::progressBarRange() {
    QtWindow w;
    QProgressBar* bar = w.ProgressBar();
    QVERIFY(!bar->isTextVisible());
    w.SetProgressMin(0);
    w.SetProgressMax(5);
    w.SetProgressStep(1);
    w.SetProgressPosition(0);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 5);
    QCOMPARE(bar->value(), 0);
    w.SetProgressPosition(3);
    QCOMPARE(bar->value(), 3);
    w.SetProgressPosition(9);
    QCOMPARE(bar->value(), 5);
    // An empty range shows an empty bar, not a busy one.
    w.SetProgressMax(0);
    w.SetProgressPosition(0);
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), bar->minimum());
}

void WindowTest::focusAskedBeforeShowIsGivenOnShow() {
    QtWindow w;
    w.SetFocus(Control::cblNDSSelectSource);
    QVERIFY(ShowActive(w));
    QTRY_COMPARE(QApplication::focusWidget(), w.Widget(Control::cblNDSSelectSource));

    // Without a request, the first enabled control in tab order gets it: the "..." button.
    QtWindow other;
    other.SetEnabled(Control::bDBChangePath, true);
    QVERIFY(ShowActive(other));
    QTRY_COMPARE(QApplication::focusWidget(), other.Widget(Control::bDBChangePath));
}

void WindowTest::pictures() {
    const QRgb key = qRgb(254, 0, 254);
    auto count = [](const QImage& img, auto pred) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                n += pred(img.pixel(x, y)) ? 1 : 0;
            }
        }
        return n;
    };
    auto green = [](QRgb p) { return qAlpha(p) == 255 && qGreen(p) > 100 && qRed(p) < 60; };
    auto blue = [](QRgb p) { return qAlpha(p) == 255 && qBlue(p) > 150 && qRed(p) < 60; };

    const QImage all = SelAllGlyphRaw();
    const QImage empty = SelEmptyGlyphRaw();
    const QImage invert = SelInvertGlyphRaw();
    for (const QImage* img : {&all, &empty, &invert}) {
        QCOMPARE(img->size(), QSize(24, 24));
        QCOMPARE(img->pixel(0, 23) | 0xff000000u, key);  // the background colour, lower left
        const QImage clear = WithTransparentBackground(*img);
        QCOMPARE(qAlpha(clear.pixel(0, 23)), 0);
        QCOMPARE(qAlpha(clear.pixel(23, 0)), 0);
        QCOMPARE(qAlpha(clear.pixel(8, 4)), 255);  // the page
        QCOMPARE(count(clear, [&](QRgb p) { return (p | 0xff000000u) == key && qAlpha(p); }), 0);
    }
    const int greenAll = count(all, green);
    const int greenInvert = count(invert, green);
    QCOMPARE(count(empty, green), 0);
    QVERIFY(greenAll > 0);
    QCOMPARE(greenInvert, greenAll);  // three ticks each
    QCOMPARE(count(all, blue), count(empty, blue));
    QCOMPARE(count(invert, blue) * 3, count(empty, blue) * 2);  // two lines of three
    QVERIFY(all != empty && all != invert && empty != invert);

    const QImage icon = AppIconImage();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(20, 12)), 255);
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
