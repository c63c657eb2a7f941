#pragma once

#include <QComboBox>
#include <functional>

// A drop-down list that reports each closing of its list, whether or not the entry changed.
class TCloseUpComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    std::function<void()> OnCloseUp;

    void hidePopup() override;
};
