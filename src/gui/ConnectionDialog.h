#pragma once
// The dialog behind the "Database Connection String" button: the user picks the driver and fills
// in its settings instead of writing the connection string by hand. SQLite needs only the
// database file; PostgreSQL takes host, port, database, user and password, and can try them.

#include <QDialog>
#include <functional>

#include "app/ConnectionStringBuilder.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

class ConnectionDialog : public QDialog {
    Q_OBJECT
  public:
    using Tester = std::function<ConnectionTestResult(const std::string& connectionString)>;
    // Asks for a database file, starting from the current name; empty when cancelled.
    using FilePicker = std::function<QString(QWidget* parent, const QString& current)>;

    ConnectionDialog(const ConnectionStringModel& start, QWidget* parent);

    // The settings as the fields show them.
    ConnectionStringModel Model() const;

    void SetTester(Tester tester) { tester_ = std::move(tester); }
    void SetFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }

  private:
    QWidget* BuildSqlitePage();
    QWidget* BuildPostgresPage();
    QLineEdit* AddField(QWidget* page, const char* label, const std::string& value);
    void ShowChosenProvider();
    void BrowseForFile();
    void TestTheConnection();

    ConnectionStringModel start_;
    QComboBox* provider_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* database_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLabel* testResult_ = nullptr;
    QPushButton* ok_ = nullptr;
    Tester tester_;
    FilePicker filePicker_;
};
