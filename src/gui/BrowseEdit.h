#pragma once
// A line edit with a browse button inside its right end. The button is a control of its own in
// the tab chain, right after the field, so that a keyboard user can reach it; Space or Enter
// on it browses, and it shows a frame while it has the focus. (The icon Qt puts into a line
// edit through an action is for the mouse only: it never takes the focus.)

#include <QLineEdit>
#include <QToolButton>

class QAction;

class BrowseButton : public QToolButton {
    Q_OBJECT
  public:
    explicit BrowseButton(QWidget* parent = nullptr);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

class BrowseEdit : public QLineEdit {
    Q_OBJECT
  public:
    // The button shows `icon` and triggers BrowseAction(), which the owner connects.
    explicit BrowseEdit(const QIcon& icon, QWidget* parent = nullptr);

    QAction* BrowseAction() const { return action_; }
    BrowseButton* Button() const { return button_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QAction* action_;
    BrowseButton* button_;
};
