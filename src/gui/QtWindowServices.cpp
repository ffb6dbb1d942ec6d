#include "gui/QtWindowServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QUrl>
#include <algorithm>

#include "gui/AboutWindow.h"
#include "gui/ByteText.h"
#include "gui/ConnectionDialog.h"
#include "gui/ErrorLogDialog.h"
#include "gui/FileFilter.h"
#include "gui/MainDialogWindow.h"
#include "gui/WidgetText.h"

QtWindowServices::QtWindowServices(MainDialogWindow& window) : window_(window) {}

QtWindowServices::~QtWindowServices() {
    // A wait cursor left on by an interrupted run would otherwise outlive the dialog.
    while (waitCursorDepth_ > 0) EndWaitCursor();
}

void QtWindowServices::ShowControl(int id, bool visible) {
    if (QWidget* control = window_.Control(id)) control->setVisible(visible);
}

// The control's own visibility flag, which holds before the window is first shown too.
bool QtWindowServices::IsControlVisible(int id) const {
    const QWidget* control = window_.Control(id);
    return control && !control->isHidden();
}

void QtWindowServices::EnableControl(int id, bool enabled) {
    if (QWidget* control = window_.Control(id)) control->setEnabled(enabled);
}

bool QtWindowServices::IsControlEnabled(int id) const {
    const QWidget* control = window_.Control(id);
    return control && control->isEnabled();
}

void QtWindowServices::SetControlText(int id, const std::string& text) {
    if (QWidget* control = window_.Control(id)) SetWidgetText(control, text);
}

std::string QtWindowServices::GetControlText(int id) const {
    const QWidget* control = window_.Control(id);
    return control ? WidgetText(control) : std::string();
}

void QtWindowServices::SetCheck(int id, bool checked) {
    if (auto* button = window_.ControlAs<QAbstractButton>(id)) button->setChecked(checked);
}

bool QtWindowServices::GetCheck(int id) const {
    const auto* button = window_.ControlAs<QAbstractButton>(id);
    return button && button->isChecked();
}

QProgressBar* QtWindowServices::Bar() const {
    return window_.ControlAs<QProgressBar>(ControlId::Progress);
}

void QtWindowServices::SetProgressRange(int low, int high) {
    QProgressBar* bar = Bar();
    if (high < low) std::swap(low, high);
    const int pos = std::clamp(bar->value(), low, high);
    bar->setRange(low, high);
    bar->setValue(pos);
}

// Positions outside the range are pulled onto its nearest end, as phases pass plain
// percentages and rely on the bar never showing garbage.
void QtWindowServices::SetProgressPos(int pos) {
    QProgressBar* bar = Bar();
    bar->setValue(std::clamp(pos, bar->minimum(), bar->maximum()));
}

int QtWindowServices::GetProgressPos() const {
    return Bar()->value();
}

// Stepping past the end starts over at the beginning: loaders of unknown length step an
// endless, cycling bar.
void QtWindowServices::StepProgress() {
    QProgressBar* bar = Bar();
    const long long next = static_cast<long long>(bar->value()) + kProgressStep;
    bar->setValue(next > bar->maximum() ? bar->minimum() : static_cast<int>(next));
}

WindowServices::Answer QtWindowServices::MessageBox(const std::string& text, MessageType type) {
    const QString shown = FromProgramBytes(text).replace("\r\n", "\n");
    const QString title = QApplication::applicationName();
    if (type == MessageType::YesNo) {
        const auto pressed =
            QMessageBox::question(&window_, title, shown, QMessageBox::Yes | QMessageBox::No);
        return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    QMessageBox::information(&window_, title, shown);
    return Answer::Ok;
}

void QtWindowServices::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtWindowServices::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitCursorDepth_;
}

// An unmatched end must not pop a cursor that someone else set.
void QtWindowServices::EndWaitCursor() {
    if (waitCursorDepth_ == 0) return;
    --waitCursorDepth_;
    QApplication::restoreOverrideCursor();
}

std::optional<std::string> QtWindowServices::ShowFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(&window_);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = ToQtNameFilters(request.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.initialFolder.empty())
        dialog.setDirectory(FromProgramBytes(request.initialFolder));
    if (!request.initialFile.empty()) dialog.selectFile(FromProgramBytes(request.initialFile));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ToProgramBytes(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

void QtWindowServices::RunErrorLogDialog(CErrorLogDlg& dialog) {
    ErrorLogDialog window(dialog, &window_);
    window.exec();
}

void QtWindowServices::RunAboutDialog(const std::string& versionLine) {
    AboutWindow about(QString::fromStdString(versionLine), &window_);
    about.exec();
}

std::optional<std::string> QtWindowServices::RunConnectionDialog(const std::string& current) {
    ConnectionDialog dialog(ParseConnectionStringModel(current), &window_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ComposeConnectionString(dialog.Model());
}

bool QtWindowServices::OpenUrl(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    return address.isValid() && QDesktopServices::openUrl(address);
}

// The desktop has no viewer that takes a topic number, so the file opens at its start; a
// missing file is a failure here rather than an error window of some viewer.
bool QtWindowServices::OpenHelpFile(const std::string& path, int contextId) {
    const QFileInfo file(QString::fromStdString(path));
    if (!file.isFile()) return false;
    // The page marks each topic with an anchor named after its help context.
    QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    url.setFragment(QString::fromStdString(HelpTopicAnchor(contextId)));
    return QDesktopServices::openUrl(url);
}

void QtWindowServices::EndDialog(int result) {
    window_.EndWhenIdle(result);
}
