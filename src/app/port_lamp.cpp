// The port lamp.
#include "app/port_lamp.h"

#include <QPainter>

namespace tuneflash::app {

PortLamp::PortLamp(QWidget* parent) : QWidget(parent), color_(Qt::red) {
  setFixedSize(kDiameter, kDiameter);
}

void PortLamp::SetOpen(bool open) {
  color_ = open ? QColor(0, 255, 0) : QColor(Qt::red);
  update();
}

void PortLamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(color_.darker(160), 1));
  painter.setBrush(color_);
  painter.drawEllipse(QRectF(0.5, 0.5, kDiameter - 1.0, kDiameter - 1.0));
}

}  // namespace tuneflash::app
