#pragma once

#include <QComboBox>

// A combo box that ends a current text too long for it with "…" instead of cutting it off
// (at both ends when centred), and shows the whole text as its tooltip.
class ElidingComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    ~ElidingComboBox() override;

    // The current text as painted.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRect textArea() const;
};
