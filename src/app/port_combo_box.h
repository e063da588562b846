// The port list: a drop-down that refreshes its entries' device tooltips just
// before it opens, so a box plugged in (or simulated) since then shows up.
#pragma once

#include <QComboBox>
#include <functional>

namespace tuneflash::app {

class PortComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;

  void SetBeforePopup(std::function<void()> refresh) { beforePopup_ = std::move(refresh); }

  void showPopup() override {
    if (beforePopup_) beforePopup_();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> beforePopup_;
};

}  // namespace tuneflash::app
