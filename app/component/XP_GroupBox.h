#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// The skinned group box: a filled box with a rounded border that starts half a caption high,
// broken at the top left by a band carrying the caption. Its children are placed relative to it.
// Mouse events stop here, so the box never drags its window.
class TXP_GroupBox : public QWidget {
    Q_OBJECT

public:
    static constexpr int CaptionLeft = 10;  // where the caption's band starts
    static constexpr int CaptionMargin = 6; // band width beyond the caption text
    static constexpr int CornerEllipse = 8;

    explicit TXP_GroupBox(const QString& caption = QString(), QWidget* parent = nullptr);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    const QColor& Color() const { return color_; }
    void SetColor(const QColor& color);
    const QColor& BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& color);
    const QColor& CaptionColor() const { return captionColor_; }
    void SetCaptionColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QColor color_{224, 224, 224};
    QColor borderColor_{160, 160, 164};
    QColor captionColor_{0, 0, 0};
};
