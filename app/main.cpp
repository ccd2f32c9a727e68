// The program entry: the application object, the one main window and its logic, the message
// loop. An error that escapes a handler while the loop runs is shown in the standard error box
// and the loop goes on.
#include <QApplication>
#include <QFileInfo>
#include <exception>
#include <functional>

#include "Pictures.h"
#include "QtWindow.h"
#include "RatemendForm.h"

namespace {

class RatemendApplication : public QApplication {
  public:
    using QApplication::QApplication;
    std::function<void(const std::exception&)> onError;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            Report(e);
        } catch (...) {
            Report(std::runtime_error("Unknown error"));
        }
        return false;
    }

  private:
    void Report(const std::exception& e) {
        if (onError) {
            try {
                onError(e);
            } catch (...) {
                // the error box itself failed: nothing more can be shown
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    RatemendApplication app(argc, argv);
    QApplication::setWindowIcon(rm::AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("ratemend"));
    // The main window alone decides when the program ends; boxes shown before it is visible
    // must not end the loop.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString exe = argc > 0 && argv[0] && argv[0][0] ? QString::fromLocal8Bit(argv[0])
                                                          : QCoreApplication::applicationFilePath();
    const QString title = rm::ApplicationTitle(exe);

    rm::QtWindow window(title);  // created invisible
    rm::TRatemendForm form(window, title.toStdString());
    auto showError = [&form](const std::exception& e) { form.Application_ShowException(e); };
    window.SetEvents(&form);
    window.SetErrorHandler(showError);
    app.onError = showError;
    QObject::connect(&window, &rm::QtWindow::closeAccepted, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    form.FormCreate();
    form.FormShow();
    window.ShowCentred();
    QApplication::exec();

    window.hide();
    form.FormDestroy();
    // The goods list belongs to the logic and goes before the window.
    window.SetEvents(nullptr);
    window.SetGridSource(nullptr);
    app.onError = nullptr;
    return 0;
}
