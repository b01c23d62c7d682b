#pragma once

#include <QWidget>

// The panel's background, painted behind all of its content: a translucent rounded sheet
// in the window colour when the window may be see-through, an opaque pop-over fill when
// the window system cannot compose translucent windows.
class GlassBackground : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 12;

    explicit GlassBackground(QWidget *parent = nullptr);

    // Gives a frameless top-level window no fill of its own, so only this background shows,
    // and a framed one an opaque fill. Call before the window is first shown and after its
    // flags change; windows stay opaque where the window system cannot make them translucent.
    static void prepareWindow(QWidget *topLevel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void requestBlur();
};
