#pragma once
// The main window: the dialog template built into Qt widgets, its menu and tooltips. Every click
// and menu item becomes a numeric command handed to one handler, which is where the program's
// behaviour lives; this class only presents it and keeps the commands from tripping over each
// other while long work pumps events.

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "gui/DialogUnits.h"
#include "gui/MainDialogTemplate.h"

class CThemeHelperST;
class QMenuBar;
class QLineEdit;
class TooltipPresenter;

class MainDialogWindow : public QDialog {
    Q_OBJECT
  public:
    using CommandHandler = std::function<void(int id)>;
    // Asks for an existing file, starting from the current text; empty when cancelled.
    using FilePicker = std::function<QString(QWidget* parent, const QString& current)>;

    explicit MainDialogWindow(QWidget* parent = nullptr);
    ~MainDialogWindow() override;

    QWidget* Control(int id) const;
    template <typename Widget>
    Widget* ControlAs(int id) const {
        return qobject_cast<Widget*>(Control(id));
    }
    // The area below the menu in which the template's dialog units are laid out.
    QWidget* ClientArea() const { return client_; }
    QMenuBar* Menu() const { return menuBar_; }
    const DialogUnits& Units() const { return units_; }
    const TooltipPresenter& Tooltips() const { return *tooltips_; }

    void SetCommandHandler(CommandHandler handler) { commandHandler_ = std::move(handler); }
    void SetFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }

    // Runs one command through the handler. Commands may nest: a long command pumps events, and
    // the clicks handled there run their commands inside it.
    void RunCommand(int id);
    bool IsRunningCommand() const { return commandDepth_ > 0; }
    // Ends the dialog, but only once no command is running any more, so that the work in
    // progress never loses the state it is using.
    void EndWhenIdle(int result);

    // Escape and the close box take the same way out as the Quit button.
    void reject() override;

  private:
    void BuildControls();
    void BuildMenu();
    void BuildTooltips();
    QWidget* CreateControl(const ControlTemplate& control);
    QLineEdit* CreateBrowseEdit();
    void BrowseForLogFile(QLineEdit* edit);
    void ConnectCommand(QWidget* widget, int id);
    void ReportUnexpectedError(const char* what);

    DialogUnits units_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    TooltipPresenter* tooltips_ = nullptr;
    // Shared by the program-drawn buttons, which may outlive this object during destruction.
    std::shared_ptr<const CThemeHelperST> themeHelper_;
    std::map<int, QWidget*> controls_;
    CommandHandler commandHandler_;
    FilePicker filePicker_;
    int commandDepth_ = 0;
    std::optional<int> pendingResult_;
};
