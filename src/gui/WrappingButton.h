#pragma once
// A push button whose text wraps at word breaks and stays centred, so that a long caption such
// as "Database Connection String" can sit on a tall, narrow button without changing its text.

#include <QPushButton>

class WrappingButton : public QPushButton {
    Q_OBJECT
  public:
    explicit WrappingButton(const QString& text, QWidget* parent = nullptr);

    // The area the text is laid out in, inside the button's frame.
    QRect TextArea() const;
    static constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
