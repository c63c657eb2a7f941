#include "app/component/CloseUpComboBox.h"

void TCloseUpComboBox::showPopup() {
    popupOpen_ = true;
    QComboBox::showPopup();
}

void TCloseUpComboBox::hidePopup() {
    QComboBox::hidePopup();
    if (!popupOpen_)
        return;
    popupOpen_ = false;
    // Qt hides the list before it applies the entry picked in it (by mouse or by key): the
    // close-up runs once the event that closed the list is done, and so reads the picked entry.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (OnCloseUp)
                OnCloseUp();
        },
        Qt::QueuedConnection);
}
