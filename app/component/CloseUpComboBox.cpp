#include "app/component/CloseUpComboBox.h"

void TCloseUpComboBox::hidePopup() {
    QComboBox::hidePopup();
    if (OnCloseUp)
        OnCloseUp();
}
