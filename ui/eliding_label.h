#pragma once

#include <QLabel>

// A one-line label of fixed width that ends a text too long for it with "…" instead of
// cutting it off, and shows the whole text as its tooltip. text() stays the whole text.
class ElidingLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;
    ~ElidingLabel() override;

    // The text as painted.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};
