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
    if (OnCloseUp)
        OnCloseUp();
}
