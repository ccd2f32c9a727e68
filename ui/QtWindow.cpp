#include "QtWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <stdexcept>

#include "GoodsModel.h"
#include "Pictures.h"

namespace rm {

namespace {

// The folder the file dialog opens in, every time.
#ifdef _WIN32
const char* const kFileDialogStartFolder = "c:\\";
#else
const char* const kFileDialogStartFolder = "/";
#endif

const char* const kWindowCaption = "Изменение ставки НДС для товаров";

struct ControlDesign {
    QRect rect;
    Anchors anchors;
};

constexpr Anchors kLT{true, true, false, false};
constexpr Anchors kTR{false, true, true, false};
constexpr Anchors kLTR{true, true, true, false};
constexpr Anchors kLTRB{true, true, true, true};
constexpr Anchors kRB{false, false, true, true};
constexpr Anchors kLRB{true, false, true, true};

ControlDesign Design(Control c) {
    switch (c) {
        case Control::Label2:
            return {QRect(8, 13, 106, 13), kLT};
        case Control::Label1:
            return {QRect(8, 57, 160, 13), kLT};
        case Control::Label3:
            return {QRect(632, 57, 222, 13), kTR};
        case Control::bDBChangePath:
            return {QRect(946, 8, 42, 25), kTR};
        case Control::eDBPath:
            return {QRect(120, 10, 820, 21), kLTR};
        case Control::cblNDSSelectSource:
            return {QRect(174, 54, 121, 21), kLT};
        case Control::cblNDSSelectTarget:
            return {QRect(865, 54, 121, 21), kTR};
        case Control::GridItems:
            return {QRect(8, 88, 980, 378), kLTRB};
        case Control::bApplyChangeNDS:
            return {QRect(897, 474, 91, 25), kRB};
        case Control::pbChangeProgress:
            return {QRect(89, 474, 802, 25), kLRB};
        case Control::bCancelChangeNDS:
            return {QRect(800, 474, 91, 25), kLT};
        case Control::bbSelAll:
            return {QRect(8, 472, 31, 32), kLT};
        case Control::bbSelEmpty:
            return {QRect(45, 472, 31, 32), kLT};
        case Control::bbSelInvert:
            return {QRect(82, 472, 31, 32), kLT};
    }
    throw std::logic_error("unknown control");
}

std::size_t Slot(Control c) {
    return static_cast<std::size_t>(c);
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The window's font: Tahoma at 11 pixels, or the nearest face this system has.
QFont WindowFont() {
    QFont f;
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(11);
    return f;
}

QPushButton* MakeButton(QWidget* parent, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    // No button is the window's default: Enter presses nothing.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QPushButton* MakeGlyphButton(QWidget* parent, const QIcon& icon, const char* tip) {
    auto* b = MakeButton(parent, "");
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setToolTip(QString::fromUtf8(tip));
    return b;
}

}  // namespace

QString ApplicationTitle(const QString& executablePath) {
    const QString name = QFileInfo(executablePath).fileName();
    const auto dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString NormaliseLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            const bool pair =
                i + 1 < text.size() &&
                (text[i + 1] == QLatin1Char('\n') || text[i + 1] == QLatin1Char('\r')) &&
                text[i + 1] != c;
            if (pair) {
                ++i;
            }
            out += QLatin1Char('\n');
        } else {
            out += c;
        }
    }
    return out;
}

std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* owner, const QString& text,
                                              const QString& caption, unsigned flags) {
    auto box = std::make_unique<QMessageBox>(owner);
    box->setWindowTitle(caption);
    // Texts come from the database and the system as they are: never read as markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(NormaliseLineBreaks(text));
    switch (flags & 0xF0u) {
        case mb::ICONERROR:
            box->setIcon(QMessageBox::Critical);
            break;
        case 0x20u:
            box->setIcon(QMessageBox::Question);
            break;
        case mb::ICONWARNING:
            box->setIcon(QMessageBox::Warning);
            break;
        case mb::ICONINFORMATION:
            box->setIcon(QMessageBox::Information);
            break;
        default:
            box->setIcon(QMessageBox::NoIcon);
            break;
    }
    QPushButton* ok = box->addButton(QMessageBox::Ok);
    ok->setText(QStringLiteral("OK"));
    QPushButton* cancel = nullptr;
    if ((flags & 0xFu) == mb::OKCANCEL) {
        cancel = box->addButton(QMessageBox::Cancel);
        cancel->setText(QStringLiteral("Отмена"));
    }
    // DEFBUTTON2 (and higher) pick the second button when there is one.
    const bool second = (flags & 0xF00u) >= mb::DEFBUTTON2 && cancel;
    box->setDefaultButton(second ? cancel : ok);
    box->setEscapeButton(cancel ? cancel : ok);
    return box;
}

int MessageBoxAnswer(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked &&
        box.buttonRole(const_cast<QAbstractButton*>(clicked)) == QMessageBox::AcceptRole) {
        return mb::IDOK;
    }
    // Cancel, Esc or the close box; an OK-only box has no other answer than OK.
    return box.buttons().size() == 1 ? mb::IDOK : mb::IDCANCEL;
}

// ---------------------------------------------------------------------------------------------

QtWindow::QtWindow(QString appTitle, QWidget* parent)
    : QWidget(parent), fAppTitle(std::move(appTitle)) {
    setObjectName(QStringLiteral("RatemendForm"));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowIcon(AppIcon());
    setFont(WindowFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    resize(kDesignClientSize);
    CreateControls();
    SetUpTabOrder();
    Relayout();
}

QtWindow::~QtWindow() = default;

QRect QtWindow::DesignGeometry(Control c) {
    return Design(c).rect;
}
Anchors QtWindow::DesignAnchors(Control c) {
    return Design(c).anchors;
}

void QtWindow::CreateControls() {
    auto place = [this](Control c, QWidget* w) {
        w->setObjectName(QString::fromLatin1(ControlName(c)));
        fWidgets[Slot(c)] = w;
        const ControlDesign d = Design(c);
        fPlacements[Slot(c)] = Placement{d.rect, kDesignClientSize, d.anchors};
        w->setGeometry(d.rect);
    };

    place(Control::Label2, new QLabel(QString::fromUtf8("Путь к базе данных:"), this));
    place(Control::Label1, new QLabel(QString::fromUtf8("Отбор  товара со ставкой  НДС"), this));
    place(Control::Label3,
          new QLabel(QString::fromUtf8("Новая ставка НДС для выбранных товаров"), this));

    auto* change = MakeButton(this, "...");
    change->setEnabled(false);
    place(Control::bDBChangePath, change);
    connect(change, &QPushButton::clicked, this,
            [this] { Dispatch([](IWindowEvents& e) { e.bDBChangePathClick(); }); });

    fPath = new QLineEdit(this);
    fPath->setReadOnly(true);
    place(Control::eDBPath, fPath);

    auto makeLookup = [this, &place](Control c) {
        auto* box = new QComboBox(this);
        box->setEditable(false);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
        place(c, box);
        // Only a choice of the operator: the logic's own settings are not reported back.
        connect(box, &QComboBox::activated, this, [this, c](int index) {
            Dispatch([&](IWindowEvents& e) { e.LookupChosen(c, index); });
        });
        return box;
    };
    fSource = makeLookup(Control::cblNDSSelectSource);
    fTarget = makeLookup(Control::cblNDSSelectTarget);

    fGrid = new GoodsGridView(this);
    fModel = new GoodsModel(this);
    fGrid->SetGoodsModel(fModel);
    place(Control::GridItems, fGrid);
    connect(fGrid, &GoodsGridView::rowSelected, this,
            [this](int row) { Dispatch([&](IWindowEvents& e) { e.GridRowSelected(row); }); });
    connect(fGrid, &GoodsGridView::toggleCheck, this,
            [this](int row) { Dispatch([&](IWindowEvents& e) { e.GridToggleCheck(row); }); });

    auto* apply = MakeButton(this, "Применить");
    place(Control::bApplyChangeNDS, apply);
    connect(apply, &QPushButton::clicked, this,
            [this] { Dispatch([](IWindowEvents& e) { e.bApplyChangeNDSClick(); }); });

    fProgress = new QProgressBar(this);
    fProgress->setTextVisible(false);
    fProgress->setFocusPolicy(Qt::NoFocus);
    fProgress->setVisible(false);
    place(Control::pbChangeProgress, fProgress);
    ApplyProgressRange();

    auto* cancel = MakeButton(this, "Отменить");
    cancel->setVisible(false);
    place(Control::bCancelChangeNDS, cancel);
    connect(cancel, &QPushButton::clicked, this,
            [this] { Dispatch([](IWindowEvents& e) { e.bCancelChangeNDSClick(); }); });

    auto* all = MakeGlyphButton(this, SelAllIcon(), "Отметить все товары");
    place(Control::bbSelAll, all);
    connect(all, &QPushButton::clicked, this,
            [this] { Dispatch([](IWindowEvents& e) { e.bbSelAllClick(); }); });
    auto* none = MakeGlyphButton(this, SelEmptyIcon(), "Снять все отметки");
    place(Control::bbSelEmpty, none);
    connect(none, &QPushButton::clicked, this,
            [this] { Dispatch([](IWindowEvents& e) { e.bbSelEmptyClick(); }); });
    auto* invert = MakeGlyphButton(this, SelInvertIcon(), "Обратить отметки");
    place(Control::bbSelInvert, invert);
    connect(invert, &QPushButton::clicked, this,
            [this] { Dispatch([](IWindowEvents& e) { e.bbSelInvertClick(); }); });

    // Labels take no focus, and are as wide as their text (never narrower than designed),
    // so a face wider than the designed one does not cut them.
    for (Control c : {Control::Label1, Control::Label2, Control::Label3}) {
        QWidget* label = Widget(c);
        label->setFocusPolicy(Qt::NoFocus);
        Placement& p = fPlacements[Slot(c)];
        p.rect.setWidth(std::max(p.rect.width(), label->sizeHint().width()));
        label->setGeometry(p.rect);
    }
}

void QtWindow::SetUpTabOrder() {
    const Control order[] = {Control::bDBChangePath,      Control::eDBPath,
                             Control::cblNDSSelectSource, Control::cblNDSSelectTarget,
                             Control::GridItems,          Control::bApplyChangeNDS,
                             Control::bCancelChangeNDS,   Control::bbSelAll,
                             Control::bbSelEmpty,         Control::bbSelInvert};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(Widget(order[i]), Widget(order[i + 1]));
    }
}

template <typename Fn>
void QtWindow::Dispatch(Fn&& call) {
    if (!fEvents) {
        return;
    }
    // Nothing may escape into Qt's event handling: an error is reported and work goes on.
    try {
        call(*fEvents);
    } catch (const std::exception& e) {
        ReportError(e);
    } catch (...) {
        ReportError(std::runtime_error("Unknown error"));
    }
}

void QtWindow::ReportError(const std::exception& e) {
    if (fErrorHandler) {
        try {
            fErrorHandler(e);
            return;
        } catch (...) {
            // fall through to the plain box
        }
    }
    MessageBox(e.what(), fAppTitle.toStdString(), mb::OK | mb::ICONERROR);
}

// ---------------------------------------------------------------------------------------------
// Layout

QRect QtWindow::PlacedRect(const Placement& p) const {
    const QSize now = size();
    const int dx = now.width() - p.clientAt.width();
    const int dy = now.height() - p.clientAt.height();
    QRect r = p.rect;
    if (p.anchors.right) {
        if (p.anchors.left) {
            r.setWidth(std::max(0, p.rect.width() + dx));
        } else {
            r.moveLeft(p.rect.left() + dx);
        }
    }
    if (p.anchors.bottom) {
        if (p.anchors.top) {
            r.setHeight(std::max(0, p.rect.height() + dy));
        } else {
            r.moveTop(p.rect.top() + dy);
        }
    }
    return r;
}

void QtWindow::Relayout() {
    for (int i = 0; i < kControlCount; ++i) {
        if (fWidgets[static_cast<std::size_t>(i)]) {
            fWidgets[static_cast<std::size_t>(i)]->setGeometry(
                PlacedRect(fPlacements[static_cast<std::size_t>(i)]));
        }
    }
}

// A place set by the logic: the anchors keep the distances from this place on.
void QtWindow::Replace(Control c, const QRect& rect) {
    Placement& p = fPlacements[Slot(c)];
    p.rect = rect;
    p.clientAt = size();
    Widget(c)->setGeometry(rect);
}

void QtWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void QtWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    ApplyMinimumSize();  // the frame's extent is known by now
}

void QtWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ApplyMinimumSize();
    if (fFocusPending) {
        fFocusPending = false;
        QWidget* w = Widget(fPendingFocus);
        if (w->isEnabled() && w->isVisible()) {
            w->setFocus(Qt::OtherFocusReason);
        }
    }
}

void QtWindow::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    Dispatch([&](IWindowEvents& e) { canClose = e.FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    emit closeAccepted();
}

void QtWindow::ApplyMinimumSize() {
    const QSize frame =
        isWindow() && isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
    const int w = fMinOuter.width() > 0 ? std::max(0, fMinOuter.width() - frame.width()) : 0;
    const int h = fMinOuter.height() > 0 ? std::max(0, fMinOuter.height() - frame.height()) : 0;
    if (minimumSize() != QSize(w, h)) {
        setMinimumSize(w, h);
    }
}

void QtWindow::ShowCentred() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    if (screen) {
        // Once shown the frame is known: centre the outer window.
        const QRect outer = frameGeometry();
        const QRect area = screen->availableGeometry();
        move(pos() + (area.center() - outer.center()));
    }
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------------------------
// IWindowSurface

void QtWindow::SetEnabled(Control c, bool enabled) {
    Widget(c)->setEnabled(enabled);
}

bool QtWindow::IsEnabled(Control c) const {
    return Widget(c)->isEnabled();
}

void QtWindow::SetVisible(Control c, bool visible) {
    Widget(c)->setVisible(visible);
}

void QtWindow::SetCaption(Control c, const std::string& text) {
    QWidget* w = Widget(c);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(Q(text));
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        button->setText(Q(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(Q(text));
        edit->setCursorPosition(0);
    }
}

void QtWindow::SetLeft(Control c, int left) {
    QRect r = PlacedRect(fPlacements[Slot(c)]);
    r.moveLeft(left);
    Replace(c, r);
}

void QtWindow::SetWidth(Control c, int width) {
    QRect r = PlacedRect(fPlacements[Slot(c)]);
    r.setWidth(std::max(0, width));
    Replace(c, r);
}

void QtWindow::SetProgressMin(int value) {
    fProgressMin = value;
    ApplyProgressRange();
}

void QtWindow::SetProgressMax(int value) {
    fProgressMax = value;
    ApplyProgressRange();
}

void QtWindow::SetProgressStep(int) {
    // Positions are always set directly; the step has nothing to drive.
}

void QtWindow::SetProgressPosition(int value) {
    fProgressPos = value;
    ApplyProgressRange();
}

// A progress bar shows the position within its range, clamped. An empty range (minimum at or
// above the maximum) shows an empty bar, not Qt's busy animation.
void QtWindow::ApplyProgressRange() {
    const int lo = fProgressMin;
    const int hi = std::max(fProgressMin, fProgressMax);
    if (hi > lo) {
        fProgress->setRange(lo, hi);
        fProgress->setValue(std::clamp(fProgressPos, lo, hi));
    } else {
        fProgress->setRange(lo, lo + 1);
        fProgress->setValue(lo);
    }
}

void QtWindow::SetFocus(Control c) {
    QWidget* w = Widget(c);
    if (!isVisible()) {
        // Given when the window appears.
        fPendingFocus = c;
        fFocusPending = true;
        return;
    }
    if (w->isEnabled() && w->isVisible()) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

void QtWindow::SetMinHeight(int height) {
    fMinOuter.setHeight(std::max(0, height));
    ApplyMinimumSize();
}

void QtWindow::SetMinWidth(int width) {
    fMinOuter.setWidth(std::max(0, width));
    ApplyMinimumSize();
}

int QtWindow::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    auto box = CreateMessageBox(this, Q(text), Q(caption), flags);
    box->exec();
    return MessageBoxAnswer(*box);
}

void QtWindow::ShowMessage(const std::string& text) {
    MessageBox(text, fAppTitle.toStdString(), mb::OK);
}

void QtWindow::ProcessMessages() {
    // During a rate change (the cancel button is up) every call handles the queue, so a click
    // on "Отменить" is seen right after the item in progress. The selection walks call this
    // once per row of lists of 100,000 goods: there, handling the queue every few
    // milliseconds keeps the window just as live at a fraction of the cost.
    const bool runInProgress = !Widget(Control::bCancelChangeNDS)->isHidden();
    if (!runInProgress && fMessagesClock.isValid() && fMessagesClock.elapsed() < 5) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    fMessagesClock.start();
}

bool QtWindow::ExecuteFileDialog(std::string& path) {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("fodSelectedFile"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(QStringLiteral("Открыть"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist yet is accepted too.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("FDB (*.fdb)"));
    dialog.setDirectory(QString::fromLatin1(kFileDialogStartFolder));
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) {
        return false;
    }
    path = QDir::toNativeSeparators(QFileInfo(files.first()).absoluteFilePath()).toStdString();
    return true;
}

QComboBox* QtWindow::LookupBox(Control box) const {
    if (box == Control::cblNDSSelectSource) {
        return fSource;
    }
    if (box == Control::cblNDSSelectTarget) {
        return fTarget;
    }
    return nullptr;
}

void QtWindow::SetLookupItems(Control box, const std::vector<std::string>& names) {
    QComboBox* b = LookupBox(box);
    if (!b) {
        return;
    }
    QStringList list;
    list.reserve(static_cast<qsizetype>(names.size()));
    for (const auto& n : names) {
        list << Q(n);
    }
    b->clear();
    b->addItems(list);
    b->setCurrentIndex(-1);
}

void QtWindow::SetLookupShown(Control box, int index) {
    QComboBox* b = LookupBox(box);
    if (!b) {
        return;
    }
    b->setCurrentIndex(index >= 0 && index < b->count() ? index : -1);
}

void QtWindow::SetGridSource(MemTable* table) {
    fModel->SetTable(table);
}

}  // namespace rm
