// The port lamp: a small filled circle, red while the port is closed, lime
// green while it is open.
#pragma once

#include <QColor>
#include <QWidget>

namespace tuneflash::app {

class PortLamp : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDiameter = 11;

  explicit PortLamp(QWidget* parent = nullptr);

  void SetOpen(bool open);
  QColor color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

}  // namespace tuneflash::app
