#include "gui/ConnectionDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

using Provider = ConnectionStringModel::Provider;

// In the order of the Provider values.
const char* const kProviderNames[] = {"SQLite", "PostgreSQL"};

QString PickDatabaseFile(QWidget* parent, const QString& current) {
    // A save dialog, because the driver creates a file that does not exist yet; an existing one
    // is opened, not overwritten, so there is nothing to confirm.
    return QFileDialog::getSaveFileName(parent, "SQLite database file", current,
                                        "SQLite databases (*.db *.sqlite *.sqlite3);;All files (*)",
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

ConnectionDialog::ConnectionDialog(const ConnectionStringModel& start, QWidget* parent)
    : QDialog(parent), start_(start), tester_(TestConnection), filePicker_(PickDatabaseFile) {
    setWindowTitle("Database Connection String");

    provider_ = new QComboBox(this);
    provider_->setObjectName("provider");
    for (const char* name : kProviderNames) provider_->addItem(name);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(BuildSqlitePage());
    pages_->addWidget(BuildPostgresPage());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* choice = new QFormLayout;
    choice->addRow("Database &type:", provider_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(pages_);
    layout->addStretch();
    layout->addWidget(buttons);

    connect(provider_, &QComboBox::currentIndexChanged, this,
            &ConnectionDialog::ShowChosenProvider);
    connect(file_, &QLineEdit::textChanged, this, &ConnectionDialog::ShowChosenProvider);
    provider_->setCurrentIndex(static_cast<int>(start.provider));
    ShowChosenProvider();
    setMinimumWidth(420);
}

QWidget* ConnectionDialog::BuildSqlitePage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    file_ = new QLineEdit(QString::fromStdString(start_.file), page);
    file_->setObjectName("file");
    auto* browse = new QPushButton("&Browse...", page);
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, &ConnectionDialog::BrowseForFile);
    auto* row = new QHBoxLayout;
    row->addWidget(file_);
    row->addWidget(browse);
    auto* label = new QLabel("Database &file:", page);
    label->setBuddy(file_);
    form->addRow(label, row);
    auto* note = new QLabel("The file is created when it does not exist yet.", page);
    note->setWordWrap(true);
    form->addRow(QString(), note);
    return page;
}

QLineEdit* ConnectionDialog::AddField(QWidget* page, const char* label, const std::string& value) {
    auto* edit = new QLineEdit(QString::fromStdString(value), page);
    static_cast<QFormLayout*>(page->layout())->addRow(label, edit);
    return edit;
}

QWidget* ConnectionDialog::BuildPostgresPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    host_ = AddField(page, "&Host:", start_.host);
    host_->setObjectName("host");
    host_->setPlaceholderText("the local server");
    port_ = AddField(page, "&Port:", start_.port);
    port_->setObjectName("port");
    port_->setPlaceholderText("5432");
    port_->setValidator(new QIntValidator(1, 65535, port_));
    database_ = AddField(page, "&Database:", start_.database);
    database_->setObjectName("database");
    database_->setPlaceholderText("the user's own");
    user_ = AddField(page, "&User:", start_.user);
    user_->setObjectName("user");
    password_ = AddField(page, "Pass&word:", start_.password);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);

    auto* test = new QPushButton("&Test connection", page);
    test->setObjectName("test");
    connect(test, &QPushButton::clicked, this, &ConnectionDialog::TestTheConnection);
    testResult_ = new QLabel(page);
    testResult_->setObjectName("testResult");
    testResult_->setWordWrap(true);
    testResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(test, testResult_);
    return page;
}

ConnectionStringModel ConnectionDialog::Model() const {
    ConnectionStringModel model = start_;
    model.provider = static_cast<Provider>(provider_->currentIndex());
    model.file = Text(file_);
    model.host = Text(host_);
    model.port = Text(port_);
    model.database = Text(database_);
    model.user = Text(user_);
    model.password = Text(password_);
    return model;
}

// A SQLite string without a file cannot be opened, so OK waits for one.
void ConnectionDialog::ShowChosenProvider() {
    // Only the shown page counts for the size, so the short SQLite page leaves no gap.
    for (int i = 0; i < pages_->count(); ++i) {
        const auto policy =
            i == provider_->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        pages_->widget(i)->setSizePolicy(policy, policy);
    }
    pages_->setCurrentIndex(provider_->currentIndex());
    adjustSize();
    const bool sqlite = provider_->currentIndex() == static_cast<int>(Provider::SQLite);
    ok_->setEnabled(!sqlite || !file_->text().trimmed().isEmpty());
}

void ConnectionDialog::BrowseForFile() {
    const QString chosen = filePicker_(this, file_->text());
    if (!chosen.isEmpty()) file_->setText(QDir::toNativeSeparators(chosen));
}

// The test blocks the dialog for at most the driver's connect time-out.
void ConnectionDialog::TestTheConnection() {
    testResult_->setText("Connecting...");
    testResult_->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ConnectionTestResult result = tester_(ComposeConnectionString(Model()));
    QApplication::restoreOverrideCursor();
    testResult_->setText(QString::fromStdString(result.message).replace("\r\n", "\n"));
}
