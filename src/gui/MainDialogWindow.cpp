#include "gui/MainDialogWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStyle>
#include <exception>

#include "app/WindowServices.h"
#include "gui/AppIcon.h"
#include "gui/BrowseEdit.h"
#include "gui/CXPStyleButtonST.h"
#include "gui/DialogTextEdit.h"
#include "gui/TooltipPresenter.h"

namespace {

const QColor kBackground(212, 230, 253);

QString DefaultFilePicker(QWidget* parent, const QString& current) {
    const QFileInfo info(current);
    const QString start = current.isEmpty() ? QString() : info.absolutePath();
    return QFileDialog::getOpenFileName(parent, QString(), start);
}

// Keeps the nesting count right however the handler leaves.
class DepthScope {
  public:
    explicit DepthScope(int& depth) : depth_(depth) { ++depth_; }
    ~DepthScope() { --depth_; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

  private:
    int& depth_;
};

}  // namespace

MainDialogWindow::MainDialogWindow(QWidget* parent)
    : QDialog(parent),
      units_(QApplication::font()),
      themeHelper_(std::make_shared<CThemeHelperST>()),
      filePicker_(DefaultFilePicker) {
    setWindowTitle(MainDialogTemplate::kTitle);
    setWindowIcon(AppIcon());
    // A fixed frame with a minimize box that shows in the taskbar like any main window.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    setPalette(colours);
    setAutoFillBackground(true);

    BuildMenu();
    client_ = new QWidget(this);
    const QSize clientSize =
        units_.ToPixels(MainDialogTemplate::kWidthDlu, MainDialogTemplate::kHeightDlu);
    const int menuHeight = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, clientSize.width(), menuHeight);
    client_->setGeometry(0, menuHeight, clientSize.width(), clientSize.height());
    setFixedSize(clientSize.width(), menuHeight + clientSize.height());

    BuildControls();
    BuildTooltips();
}

MainDialogWindow::~MainDialogWindow() = default;

QWidget* MainDialogWindow::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void MainDialogWindow::BuildMenu() {
    menuBar_ = new QMenuBar(this);
    QMenu* menu = nullptr;
    for (const MenuItemTemplate& entry : MainDialogTemplate::Menu()) {
        if (!menu || menu->title() != entry.menu) menu = menuBar_->addMenu(entry.menu);
        if (!entry.item) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(entry.item);
        action->setData(entry.command);
        connect(action, &QAction::triggered, this,
                [this, command = entry.command] { RunCommand(command); });
    }
}

void MainDialogWindow::BuildControls() {
    for (const ControlTemplate& control : MainDialogTemplate::Controls()) {
        QWidget* widget = CreateControl(control);
        widget->setGeometry(units_.ToPixels(control.position));
        if (control.id != kNoControlId) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
            controls_[control.id] = widget;
        }
    }
}

QWidget* MainDialogWindow::CreateControl(const ControlTemplate& control) {
    const QString text = control.text;
    switch (control.kind) {
        case ControlKind::GroupBox:
            return new QGroupBox(text, client_);
        case ControlKind::Label: {
            auto* label = new QLabel(text, client_);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::BrowseEdit:
            return CreateBrowseEdit();
        case ControlKind::Edit:
            return new QLineEdit(client_);
        case ControlKind::MultiLineEdit:
            return new DialogTextEdit(client_);
        case ControlKind::CheckBox:
            return new QCheckBox(text, client_);
        case ControlKind::StatusText: {
            auto* status = new QLabel(client_);
            status->setAlignment(Qt::AlignCenter);
            status->hide();
            return status;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(client_);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            bar->hide();
            return bar;
        }
        case ControlKind::PushButton: {
            auto* button = new CXPStyleButtonST(text, client_);
            button->SetThemeHelper(themeHelper_);
            button->setDefault(control.id == ControlId::Go);  // Enter starts a run
            ConnectCommand(button, control.id);
            return button;
        }
    }
    return new QWidget(client_);
}

QLineEdit* MainDialogWindow::CreateBrowseEdit() {
    auto* edit = new BrowseEdit(style()->standardIcon(QStyle::SP_DirOpenIcon), client_);
    connect(edit->BrowseAction(), &QAction::triggered, this,
            [this, edit] { BrowseForLogFile(edit); });
    return edit;
}

void MainDialogWindow::BrowseForLogFile(QLineEdit* edit) {
    const QString chosen = filePicker_(this, edit->text());
    if (!chosen.isEmpty()) edit->setText(QDir::toNativeSeparators(chosen));
}

void MainDialogWindow::ConnectCommand(QWidget* widget, int id) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    connect(button, &QAbstractButton::clicked, this, [this, id] { RunCommand(id); });
}

void MainDialogWindow::BuildTooltips() {
    tooltips_ = new TooltipPresenter(MainDialogTemplate::kTooltipMaxWidthPx,
                                     MainDialogTemplate::kTooltipHideDelayMs, this);
    for (const TooltipTemplate& tip : MainDialogTemplate::Tooltips()) {
        QWidget* widget = Control(tip.id);
        widget->setToolTip(tip.text);
        tooltips_->Watch(widget);
    }
}

void MainDialogWindow::RunCommand(int id) {
    if (!commandHandler_) return;
    // "Go!" is disabled while work runs, but a click queued before that happened still arrives
    // through the event pumping of the running work; a second run inside the first must not
    // start.
    if (id == ControlId::Go && IsRunningCommand()) return;
    {
        DepthScope scope(commandDepth_);
        try {
            commandHandler_(id);
        } catch (const std::exception& error) {
            // An exception must not unwind through the event loop, which would end the program
            // with the user's unsaved choices.
            ReportUnexpectedError(error.what());
        }
    }
    if (!IsRunningCommand() && pendingResult_) {
        const int result = *pendingResult_;
        pendingResult_.reset();
        done(result);
    }
}

void MainDialogWindow::EndWhenIdle(int result) {
    if (IsRunningCommand()) {
        pendingResult_ = result;
        return;
    }
    done(result);
}

void MainDialogWindow::reject() {
    RunCommand(ControlId::Quit);
}

void MainDialogWindow::ReportUnexpectedError(const char* what) {
    QMessageBox::critical(this, QApplication::applicationName(), QString::fromLocal8Bit(what));
}
