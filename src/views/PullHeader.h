#pragma once

#include <QBrush>
#include <QList>
#include <QPainterPath>
#include <QPen>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

// The arrow of the pull: pointing down while the pull is short, turned over
// once letting go would refresh. Drawn in code in the text colour, so it
// follows the theme as a template image would.
class PullArrow : public QWidget {
    Q_OBJECT
public:
    explicit PullArrow(QWidget *parent = nullptr);

    // Turns the arrow over (180 degrees) or upright (0); animated unless
    // `animated` is false.
    void setTurned(bool turned, bool animated = true);
    bool isTurned() const { return m_turned; }
    // The angle drawn now, in degrees.
    qreal rotation() const { return m_rotation; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateBrush();

    QPainterPath m_shape;
    QBrush m_brush;
    QVariantAnimation m_turn;
    qreal m_rotation = 0;
    bool m_turned = false;
};

// The spinner shown in the band while a refresh runs.
class PullSpinner : public QWidget {
    Q_OBJECT
public:
    explicit PullSpinner(QWidget *parent = nullptr);

    void start();
    void stop();
    bool isSpinning() const { return m_tick.isActive(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updatePens();

    static constexpr int spokes = 12;
    QList<QPen> m_pens; // one per spoke, fading, made once per palette
    QTimer m_tick;
    int m_step = 0;
};

// The band above the first row: the arrow and the spinner centred in it.
class PullHeader : public QWidget {
    Q_OBJECT
public:
    explicit PullHeader(QWidget *parent = nullptr);

    PullArrow *arrow() const { return m_arrow; }
    PullSpinner *spinner() const { return m_spinner; }

    // How much of the band shows below the top edge. The arrow and the
    // spinner keep to the shown part, so a short pull already shows them.
    void setShownHeight(int shown);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeMarks();

    PullArrow *m_arrow;
    PullSpinner *m_spinner;
    int m_shown = 0;
};
