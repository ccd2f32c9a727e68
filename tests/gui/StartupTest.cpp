// Start-up on real widgets with the real window logic, in a folder without connection
// settings: the connection's error boxes, then the warning box, and only then the window, in
// the disconnected state with the "..." button focused.
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "QtWindow.h"
#include "RatemendForm.h"

using namespace rm;

namespace {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    bool windowVisible;
};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void boxesComeBeforeTheWindow();
};

void StartupTest::boxesComeBeforeTheWindow() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));

    QtWindow window(QStringLiteral("Ratemend"));
    TRatemendForm form(window, "Ratemend");
    window.SetEvents(&form);

    // The operator answers every box with Enter.
    std::vector<SeenBox> seen;
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        seen.push_back({box->windowTitle(), box->text(), box->icon(), window.isVisible()});
        QTest::keyClick(box, Qt::Key_Return);
    });
    answer.start();

    form.FormCreate();
    form.FormShow();
    window.ShowCentred();
    answer.stop();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY2(seen.size() >= 2, "an error box about the connection, then the warning");
    for (const auto& box : seen) {
        QVERIFY(!box.windowVisible);
    }
    const SeenBox& warning = seen.back();
    QCOMPARE(warning.caption, QStringLiteral("Утилита изменения ставки НДС"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QCOMPARE(warning.text,
             QStringLiteral("Внимание\nДанная утилита выполняет смену ставки НДС для товаров.\n"
                            "Настоятельно рекомендуем перед выполнением данной операции "
                            "выполнить резервное копирование."));
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
        QVERIFY(seen[i].caption != warning.caption);
    }

    // Disconnected.
    QVERIFY(window.IsEnabled(Control::eDBPath));
    QVERIFY(qobject_cast<QLineEdit*>(window.Widget(Control::eDBPath))->text().isEmpty());
    QVERIFY(window.IsEnabled(Control::bDBChangePath));
    QVERIFY(!window.IsEnabled(Control::cblNDSSelectSource));
    QVERIFY(!window.IsEnabled(Control::cblNDSSelectTarget));
    QVERIFY(!window.IsEnabled(Control::bApplyChangeNDS));
    QVERIFY(!window.IsEnabled(Control::bbSelAll));
    QVERIFY(window.IsEnabled(Control::GridItems));
    QVERIFY(window.Widget(Control::pbChangeProgress)->isHidden());
    QVERIFY(window.Widget(Control::bCancelChangeNDS)->isHidden());
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(QApplication::focusWidget(), window.Widget(Control::bDBChangePath));

    // At rest the window closes.
    QVERIFY(window.close());
    form.FormDestroy();
    window.SetEvents(nullptr);
    window.SetGridSource(nullptr);
    QDir::setCurrent(old);
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
