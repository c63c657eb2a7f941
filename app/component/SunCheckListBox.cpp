#include "app/component/SunCheckListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>

TSunCheckListBox::TSunCheckListBox(QWidget* parent) : QListWidget(parent) {
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(EdgeWidth, EdgeWidth, EdgeWidth, EdgeWidth);
    SetColor(color_);
    connect(this, &QListWidget::itemChanged, this, &TSunCheckListBox::ItemChanged);
}

void TSunCheckListBox::AddItem(const QString& text) {
    auto* item = new QListWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    addItem(item);
}

bool TSunCheckListBox::Checked(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr && entry->checkState() == Qt::Checked;
}

void TSunCheckListBox::SetChecked(int index, bool checked) {
    if (QListWidgetItem* entry = item(index))
        entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TSunCheckListBox::SetColor(const QColor& color) {
    color_ = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    colours.setColor(QPalette::Window, color);
    setPalette(colours);
    update();
}

void TSunCheckListBox::SetBorderColor(const QColor& color) {
    borderColor_ = color;
    update();
}

bool TSunCheckListBox::event(QEvent* event) {
    const bool handled = QListWidget::event(event);
    if (event->type() == QEvent::Paint) {
        QPainter painter(this);
        painter.setPen(borderColor_);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.setPen(color_);
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
    return handled;
}

template <typename Handler> void TSunCheckListBox::AsUser(Handler handler) {
    const QScopedValueRollback<int> depth(userInput_, userInput_ + 1);
    handler();
}

void TSunCheckListBox::mousePressEvent(QMouseEvent* event) {
    AsUser([&] { QListWidget::mousePressEvent(event); });
}

void TSunCheckListBox::mouseReleaseEvent(QMouseEvent* event) {
    AsUser([&] { QListWidget::mouseReleaseEvent(event); });
}

void TSunCheckListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    AsUser([&] { QListWidget::mouseDoubleClickEvent(event); });
}

void TSunCheckListBox::keyPressEvent(QKeyEvent* event) {
    AsUser([&] { QListWidget::keyPressEvent(event); });
}

void TSunCheckListBox::ItemChanged(QListWidgetItem*) {
    // Only a tick or clear changes an item while the user works the list; what the handler
    // itself changes is code, not the user.
    if (userInput_ == 0 || notifying_ || !OnClickCheck)
        return;
    const QScopedValueRollback<bool> notifying(notifying_, true);
    OnClickCheck();
}
