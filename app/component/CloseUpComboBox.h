#pragma once

#include <QComboBox>
#include <functional>

// A drop-down list that reports each closing of its list, whether or not the entry changed,
// after the entry picked in the list (if any) has become the current one.
class TCloseUpComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    std::function<void()> OnCloseUp;

    void showPopup() override;
    void hidePopup() override;

private:
    // Qt also hides the list when the box itself goes away; only a list that was open closes up.
    bool popupOpen_ = false;
};
