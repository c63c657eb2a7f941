#pragma once

#include <QColor>
#include <QListWidget>
#include <functional>

// A flat check list: after the list has painted itself, a one-pixel border in BorderColor runs
// along its outer edge with a one-pixel frame in the list's own Color just inside it.
// OnClickCheck runs after the user ticked or cleared an item with the mouse or the keyboard;
// filling the list or ticking items in code never runs it.
class TSunCheckListBox : public QListWidget {
    Q_OBJECT

public:
    static constexpr int EdgeWidth = 2; // the border and the frame inside it

    explicit TSunCheckListBox(QWidget* parent = nullptr);

    std::function<void()> OnClickCheck;

    // Appends a clear item.
    void AddItem(const QString& text);
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);

    const QColor& Color() const { return color_; }
    void SetColor(const QColor& color);
    const QColor& BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& color);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ItemChanged(QListWidgetItem* item);
    template <typename Handler> void AsUser(Handler handler);

    QColor color_{255, 255, 255};
    QColor borderColor_{128, 128, 128};
    int userInput_ = 0; // depth of user events being handled
    bool notifying_ = false;
};
