// The main window on Qt Widgets: every control at its design place, anchors kept on resize,
// message boxes, the file dialog, the two lookup boxes and the goods grid. The window logic
// reaches it only through IWindowSurface and hears the operator through IWindowEvents.
#pragma once

#include <QMessageBox>
#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "WindowSurface.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace rm {

class GoodsGridView;
class GoodsModel;

// The application title: the executable's file name up to its first full stop.
QString ApplicationTitle(const QString& executablePath);

// Line breaks for display: LF CR, CR LF, a lone CR and a lone LF each become one LF.
QString NormaliseLineBreaks(const QString& text);

// A message box built from Windows flags: buttons (OK; OK and Cancel), icon (error, question,
// warning, information), default button (the second with DEFBUTTON2 when there is one).
// Esc and the close box pick Cancel, or OK when OK is the only button. Plain text only.
std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* owner, const QString& text,
                                              const QString& caption, unsigned flags);
// The answer of a closed box: mb::IDOK or mb::IDCANCEL.
int MessageBoxAnswer(const QMessageBox& box);

inline constexpr int kControlCount = static_cast<int>(Control::bbSelInvert) + 1;
inline constexpr QSize kDesignClientSize{996, 507};

// Which client edges a control keeps its distance to when the window is resized.
struct Anchors {
    bool left = true;
    bool top = true;
    bool right = false;
    bool bottom = false;
};

class QtWindow : public QWidget, public IWindowSurface {
    Q_OBJECT
  public:
    explicit QtWindow(QString appTitle = QString(), QWidget* parent = nullptr);
    ~QtWindow() override;

    // Where the operator's commands go (nullptr: nowhere).
    void SetEvents(IWindowEvents* events) { fEvents = events; }
    // Receives an error that escapes a command of the logic; without one a plain error box
    // shows it. Work goes on either way.
    void SetErrorHandler(std::function<void(const std::exception&)> handler) {
        fErrorHandler = std::move(handler);
    }
    // Shows the window centred on its screen.
    void ShowCentred();

    // The widgets, for the program entry and the checks.
    QWidget* Widget(Control c) const { return fWidgets[static_cast<std::size_t>(c)]; }
    QComboBox* LookupBox(Control box) const;
    GoodsGridView* Grid() const { return fGrid; }
    GoodsModel* Model() const { return fModel; }
    QProgressBar* ProgressBar() const { return fProgress; }
    // Design place and anchors of a control.
    static QRect DesignGeometry(Control c);
    static Anchors DesignAnchors(Control c);
    // The minimum outer size asked for (0: none); see SetMinWidth.
    QSize RequestedMinimumSize() const { return fMinOuter; }

    // IWindowSurface
    void SetEnabled(Control c, bool enabled) override;
    bool IsEnabled(Control c) const override;
    void SetVisible(Control c, bool visible) override;
    void SetCaption(Control c, const std::string& text) override;
    void SetLeft(Control c, int left) override;
    void SetWidth(Control c, int width) override;
    void SetProgressMin(int value) override;
    void SetProgressMax(int value) override;
    void SetProgressStep(int value) override;
    void SetProgressPosition(int value) override;
    void SetFocus(Control c) override;
    // The minimum is of the outer window, frame included; Qt limits the client area, so the
    // frame's extent is taken off once the window manager has told it (until then, and on
    // platforms without frames, client and outer size are the same).
    void SetMinHeight(int height) override;
    void SetMinWidth(int width) override;
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void ShowMessage(const std::string& text) override;
    void ProcessMessages() override;
    bool ExecuteFileDialog(std::string& path) override;
    void SetLookupItems(Control box, const std::vector<std::string>& names) override;
    void SetLookupShown(Control box, int index) override;
    void SetGridSource(MemTable* table) override;

  signals:
    // A close request was allowed; the window is closing.
    void closeAccepted();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    QElapsedTimer fMessagesClock;  // last time ProcessMessages handled the queue
    // Where a control is: its rectangle as last placed, and the client size at that moment.
    struct Placement {
        QRect rect;
        QSize clientAt;
        Anchors anchors;
    };

    void CreateControls();
    void SetUpTabOrder();
    template <typename Fn>
    void Dispatch(Fn&& call);
    void ReportError(const std::exception& e);
    QRect PlacedRect(const Placement& p) const;
    void Relayout();
    void Replace(Control c, const QRect& rect);
    void ApplyMinimumSize();
    void ApplyProgressRange();

    QString fAppTitle;
    IWindowEvents* fEvents = nullptr;
    std::function<void(const std::exception&)> fErrorHandler;
    std::array<QWidget*, kControlCount> fWidgets{};
    std::array<Placement, kControlCount> fPlacements{};
    QLineEdit* fPath = nullptr;
    QComboBox* fSource = nullptr;
    QComboBox* fTarget = nullptr;
    GoodsGridView* fGrid = nullptr;
    GoodsModel* fModel = nullptr;
    QProgressBar* fProgress = nullptr;
    int fProgressMin = 0;
    int fProgressMax = 100;
    int fProgressPos = 0;
    QSize fMinOuter{0, 0};
    Control fPendingFocus = Control::Label2;  // Label2 takes no focus: nothing pending
    bool fFocusPending = false;
};

}  // namespace rm
