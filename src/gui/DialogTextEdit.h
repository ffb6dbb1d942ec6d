#pragma once
// A field of several lines that behaves as one field of the dialog: Tab moves on to the next
// control and Enter presses the dialog's default button, as in every other field. The lines are
// there to show a long connection string wrapped, not to take line breaks: a typed break would
// become part of the string and reach the database driver.

#include <QPlainTextEdit>

class DialogTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit DialogTextEdit(QWidget* parent = nullptr);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
