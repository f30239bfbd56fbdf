#pragma once

#include <QLabel>

// One line that never runs past its window: a text too long for the label is
// drawn cut with "…", and its tooltip holds it whole. text() stays whole.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

public slots:
    // QLabel::setText, with the tooltip kept in step.
    void showText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QString shownText() const;
    void updateToolTip();
};
